#include "entrypoints.h"

// When the host unloads the module, the windows it left open go with it.
__attribute__((destructor)) static void ModuleDetach()
{
    Release_It();
}
