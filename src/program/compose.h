#pragma once

// Binds every window slot to the class that implements it. The one place
// where the program's concrete windows are chosen.
void composeProgram();
