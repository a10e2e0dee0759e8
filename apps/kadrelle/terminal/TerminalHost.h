#pragma once

#include "../FormSession.h"

namespace kadrelle {

// Runs the full-screen terminal host on the session until the user quits; returns the exit status.
int runTerminal(FormSession& session);

// Prints the form as the terminal host would show it, once, with each control's state.
void printForm(FormSession& session);

}  // namespace kadrelle
