#pragma once

#include <functional>

// Whether the system has a network link to connect over. Only a system that reports
// itself disconnected gives false; an unknown state (no network backend) gives true.
bool IsInternetActive();

// Puts another answer in place of the system's (tests); an empty function restores it.
void SetInternetActiveCheck(std::function<bool()> check);
