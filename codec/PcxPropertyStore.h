// The property handler of .pcx and .dcx files: what Explorer's Details pane,
// its columns and the search indexer show of a file, read once from the
// stream the shell initializes it with (PcxImageFacts.h) and then handed
// out from memory. Read-only: the files carry nothing the shell could edit.
//
// Its values, by their property keys:
//   System.Image.HorizontalSize, VerticalSize    width and height in pixels (VT_UI4)
//   System.Image.Dimensions                      "width x height" (VT_LPWSTR)
//   System.Image.BitDepth                        bits a decoded pixel (VT_UI4)
//   System.Image.HorizontalResolution, Vertical  dots per inch (VT_R8)
//   System.Document.PageCount                    a DCX file's pages (VT_I4)
// A DCX file's image values are its first page's; a DCX file of no pages
// has only its page count.
#pragma once

#include <windows.h>

// A new, uninitialized handler asked for interface `iid`.
HRESULT CreatePcxPropertyStore(REFIID iid, void** out);
