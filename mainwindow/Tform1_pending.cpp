// Commands whose subsystems are not built yet: present, and doing nothing.
// Each moves to its own file when its subsystem arrives.
#include "mainwindow/Tform1.h"

namespace jotanor {

void Tform1::Zoeken1Click() {}
void Tform1::invoeren() { state().entryRequest = false; }
void Tform1::Wijzigen1Click() {}
void Tform1::CopieF41Click() {}
void Tform1::Copieren1Click() {}
void Tform1::Wissen1Click() {}

}  // namespace jotanor
