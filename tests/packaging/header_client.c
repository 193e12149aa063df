/* Includes the installed public header alone, as a client's first line
   would; compiled as C and as C++ with every warning an error. */
#include <KyPCX.h>

int main(void) {
    PcxErrorCode code = PCX_OK;
    return code == PCX_OK ? 0 : 1;
}
