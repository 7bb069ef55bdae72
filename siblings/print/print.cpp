// Print.so: prints, previews or saves as PDF the grid's shown columns.

#include "printform.h"

extern "C" __attribute__((visibility("default"))) void PrintForm_Show(TPrintRequest request)
{
    RunPrintForm(request, false);
}
