#pragma once

// Maps the font names stored answers and forms ask for ("Arial", "Courier New",
// "MS Sans Serif"...) onto families this desktop has, keeping sans, serif and
// fixed-pitch text apart.
void InstallFontSubstitutes();
