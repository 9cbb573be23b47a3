// Commands whose subsystems are not built yet: present, and doing nothing.
// Each moves to its own file when its subsystem arrives.
#include "mainwindow/Tform1.h"

namespace jotanor {


}  // namespace jotanor
