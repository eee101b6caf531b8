#pragma once

// Whether the system has a network link to connect over. Only a system that reports
// itself disconnected gives false; an unknown state (no network backend) gives true.
bool IsInternetActive();
