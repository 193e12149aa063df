// Names of the statuses, for messages and test output.
#include "kypcx/status.h"

namespace kypcx {

const char* StatusName(Status status) {
    switch (status) {
#define KYPCX_STATUS_NAME(name) \
    case Status::name: return #name;
        KYPCX_STATUS_NAME(Ok)
        KYPCX_STATUS_NAME(HeaderCutShort)
        KYPCX_STATUS_NAME(UnknownVersion)
        KYPCX_STATUS_NAME(UnacceptedEncoding)
        KYPCX_STATUS_NAME(UndecodableLayout)
        KYPCX_STATUS_NAME(ImageTooLarge)
        KYPCX_STATUS_NAME(RunCrossesLineEnd)
        KYPCX_STATUS_NAME(DataUnreadable)
        KYPCX_STATUS_NAME(TrailerUnreadable)
        KYPCX_STATUS_NAME(NoColorsForLayout)
        KYPCX_STATUS_NAME(StoppedByLineFunction)
        KYPCX_STATUS_NAME(NoAnswerBlock)
        KYPCX_STATUS_NAME(FileNotOpened)
        KYPCX_STATUS_NAME(PositionUnreachable)
        KYPCX_STATUS_NAME(ReadShort)
        KYPCX_STATUS_NAME(WriteShort)
        KYPCX_STATUS_NAME(LineNotWritten)
        KYPCX_STATUS_NAME(EndLimitPassed)
        KYPCX_STATUS_NAME(NoDiskSpace)
        KYPCX_STATUS_NAME(DeleteFailed)
        KYPCX_STATUS_NAME(RenameFailed)
        KYPCX_STATUS_NAME(NoImageMemory)
        KYPCX_STATUS_NAME(NoWorkingMemory)
        KYPCX_STATUS_NAME(NoPaletteMemory)
        KYPCX_STATUS_NAME(LockFailed)
        KYPCX_STATUS_NAME(NoDeviceContext)
        KYPCX_STATUS_NAME(NoBitmap)
        KYPCX_STATUS_NAME(PaletteNotCreated)
        KYPCX_STATUS_NAME(LineUnavailable)
        KYPCX_STATUS_NAME(ClipboardNotOpened)
        KYPCX_STATUS_NAME(NoClipboardBitmap)
        KYPCX_STATUS_NAME(ClipboardRefused)
        KYPCX_STATUS_NAME(BitmapLayoutMismatch)
        KYPCX_STATUS_NAME(BadColorSpace)
        KYPCX_STATUS_NAME(PictureDoesNotFit)
        KYPCX_STATUS_NAME(UnwritableDibFormat)
        KYPCX_STATUS_NAME(TooManyRows)
        KYPCX_STATUS_NAME(NotDcx)
        KYPCX_STATUS_NAME(DirectoryUnreadable)
        KYPCX_STATUS_NAME(DirectoryCutShort)
        KYPCX_STATUS_NAME(NoSuchItem)
        KYPCX_STATUS_NAME(ItemNotListed)
        KYPCX_STATUS_NAME(DirectoryFull)
        KYPCX_STATUS_NAME(ItemOverlapsDirectory)
        KYPCX_STATUS_NAME(ItemOffsetsOutOfOrder)
        KYPCX_STATUS_NAME(ItemPastFileEnd)
        KYPCX_STATUS_NAME(ItemShorterThanHeader)
        KYPCX_STATUS_NAME(DcxTooLong)
        KYPCX_STATUS_NAME(NoItems)
#undef KYPCX_STATUS_NAME
    }
    return "Unknown";
}

}  // namespace kypcx
