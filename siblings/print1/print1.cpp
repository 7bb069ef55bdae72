// Print1.so: the advanced print, with page orientation, font size and columns.

#include "printform.h"

extern "C" __attribute__((visibility("default"))) void PrintForm_Show(TPrintRequest request)
{
    RunPrintForm(request, true);
}
