// Commands whose subsystems are not built yet: present, and doing nothing.
// Each moves to its own file when its subsystem arrives.
#include "mainwindow/Tform1.h"

namespace jotanor {

void Tform1::backupnaar_budir() {}
void Tform1::Zoeken1Click() {}
void Tform1::invoeren() { state().entryRequest = false; }
void Tform1::Wijzigen1Click() {}
void Tform1::CopieF41Click() {}
void Tform1::Copieren1Click() {}
void Tform1::Wissen1Click() {}
void Tform1::Help1Click() {}
void Tform1::AboutVUK1Click() {}
void Tform1::Aboutauteur1Click() {}
void Tform1::Afdrukvaneenreeksmemos1Click() {}
void Tform1::Memoaantal1Click() {}

}  // namespace jotanor
