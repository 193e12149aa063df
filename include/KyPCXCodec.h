/* KyPCXCodec.dll: the imaging-component decoders and encoders for PCX and
   DCX files, the property handler that describes them to the shell, and the
   GUIDs they are known by. A program built on the Windows Imaging Component needs none of
   this to open PCX and DCX files once the codec is registered (regsvr32
   KyPCXCodec.dll): the imaging factory finds it by the files' first bytes,
   and the shell its property handler by their extensions. The GUIDs are for
   programs that ask for the formats by name (IWICImagingFactory::
   CreateDecoder with a container format) or tell them apart
   (IWICBitmapDecoder::GetContainerFormat), and for programs that save them
   (IWICImagingFactory::CreateEncoder with a container format).

   Two decoders, one per file format, each with a container format of its
   own: a PCX file holds one image, a DCX file up to 1022 pages, each page a
   whole PCX image. Include <initguid.h> before this header in one source
   file to define the GUIDs there; every other file sees declarations.
   Compiles as C (C99) or C++ (C++11). */
#ifndef KYPCX_CODEC_H
#define KYPCX_CODEC_H

#include <windows.h>

#include <guiddef.h>

/* The vendor of the decoders and encoders (IWICBitmapCodecInfo::GetVendorGUID, and the
   vendor argument of the factory's CreateDecoder... calls). */
DEFINE_GUID(GUID_KyPcxVendor, 0x10a3d8d8, 0xc0de, 0x4adf, 0xa7, 0x18, 0x1a, 0xdb, 0x56, 0x88, 0xa0, 0x53);

/* Container formats: a PCX file, a DCX file. */
DEFINE_GUID(GUID_KyPcxContainerFormatPcx, 0x10553492, 0xd07e, 0x4cc2, 0xba, 0x9e, 0x02, 0x6d, 0xf2, 0x7a, 0x6d, 0x0f);
DEFINE_GUID(GUID_KyPcxContainerFormatDcx, 0xcddc2956, 0xdbd6, 0x4368, 0x8f, 0x13, 0x87, 0xc1, 0x2e, 0x70, 0xa9, 0x53);

/* The decoders' classes (IWICBitmapDecoder), in-process, threading model Both. */
DEFINE_GUID(CLSID_KyPcxPcxDecoder, 0x11b8431e, 0x62d4, 0x4113, 0x9e, 0xda, 0x04, 0x32, 0xc5, 0x4e, 0x5e, 0x65);
DEFINE_GUID(CLSID_KyPcxDcxDecoder, 0x7891db70, 0x3d71, 0x40a5, 0x96, 0x91, 0xe6, 0x9d, 0x4a, 0x67, 0x0c, 0xc6);

/* The encoders' classes (IWICBitmapEncoder), in-process, threading model
   Both, with the decoders' container formats: a PCX encoder writes one frame,
   a DCX encoder 1 to 1022 frames, each a page, and the page directory at its
   Commit. Frames are written as 1, 4 or 8 bits indexed, 24-bit BGR or 32-bit
   BGRA (alpha kept as a fourth plane where some pixel is not opaque). */
DEFINE_GUID(CLSID_KyPcxPcxEncoder, 0xee01af2d, 0x19df, 0x48cb, 0xae, 0xbf, 0xae, 0x03, 0x45, 0x39, 0xbd, 0x67);
DEFINE_GUID(CLSID_KyPcxDcxEncoder, 0xb46c37f3, 0xa04f, 0x477c, 0x94, 0x88, 0x0f, 0xdf, 0xbf, 0x68, 0xc2, 0xf4);

/* The property handler of .pcx and .dcx files (IInitializeWithStream,
   IPropertyStore, IPropertyStoreCapabilities; read-only), in-process,
   threading model Both: the picture's size, bit depth and resolution, and a
   DCX file's page count, for Explorer's Details pane and columns. Its values
   come from the file's header and, for a DCX file, its page directory and
   first page's header. */
DEFINE_GUID(CLSID_KyPcxPropertyHandler, 0xc207bba3, 0x21d0, 0x41d3, 0x9e, 0x2b, 0xb8, 0xff, 0xe3, 0xc2, 0xdb, 0xd0);

#endif
