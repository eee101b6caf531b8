#pragma once

// The web engine cannot start its sandbox for the super-user and then ends the whole
// program. For root it runs without one. Call before the engine starts: it reads the
// environment once, when the first page is made.
void PrepareWebEngineSandbox();
// The same, with the user given: superUser true means root.
void PrepareWebEngineSandbox(bool superUser);
