/* Includes the installed public headers alone, as a client's first lines
   would; compiled as C and as C++ with every warning an error. */
#include <KyPCX.h>
#include <KyPCXCodec.h>

int main(void) {
    PcxErrorCode code = PCX_OK;
    return code == PCX_OK && sizeof CLSID_KyPcxDcxDecoder == 16 ? 0 : 1;
}
