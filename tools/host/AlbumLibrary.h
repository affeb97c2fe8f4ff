// album.dll as the editor takes it: loaded with LoadLibrary when the editor starts, every entry
// point looked up by its exported name. The exported functions are C++ functions, so their names
// are the compiler's encoded names, which carry the argument types: a function whose arguments
// change gets a new name and the lookup fails at start instead of calling it wrongly. The build
// checks that album.dll exports every name below and that the host imports nothing from it
// (check-host.sh).
#pragma once

#include <string>
#include "album.h"

// name, exported name (the same on x86_64 and i686: none of these takes a pointer-sized integer)
#define ALBUM_HOST_ENTRIES(X)                                                              \
    X(OpenAlbumManagerEx, "_Z18OpenAlbumManagerExP6HWND__Pciii")                            \
    X(CloneNewAlbumManager, "_Z20CloneNewAlbumManagerP6HWND__")                             \
    X(InsertFromDib, "_Z13InsertFromDibP6HWND__PvPcS2_")                                    \
    X(GetActiveAlbum, "_Z14GetActiveAlbumv")                                                \
    X(GetAllAlbum, "_Z11GetAllAlbumv")                                                      \
    X(CanOpenMoreAlbum, "_Z16CanOpenMoreAlbumi")                                            \
    X(SetFocusToAbm, "_Z13SetFocusToAbmP6HWND__")                                           \
    X(SetDockFunction, "_Z15SetDockFunctionPFP6HWND__S0_iibEPFiS0_EPFiS0_S0_E")             \
    X(SetAcquireFunction, "_Z18SetAcquireFunctionPFiP6HWND__E")                             \
    X(SetAlbumHelpFunction, "_Z20SetAlbumHelpFunctionPFiP6HWND__iE")                        \
    X(AddToAlbum, "_Z10AddToAlbumP6HWND__PcPS1_iRPi8tagPOINT")                              \
    X(OpenSearchDlg, "_Z13OpenSearchDlgP6HWND__Pcii")                                       \
    X(CBrushAlbumCtrlRegister, "_Z23CBrushAlbumCtrlRegisterP11HINSTANCE__ii")               \
    X(AddItemToAbmCtrl, "_Z16AddItemToAbmCtrlP6HWND__")                                     \
    X(DeleteItemFromAbmCtrl, "_Z21DeleteItemFromAbmCtrlP6HWND__")                           \
    X(GetBrushCount, "_Z13GetBrushCountP6HWND__")                                           \
    X(GetCurrentBrushSelection, "_Z24GetCurrentBrushSelectionP6HWND__")                     \
    X(GetCurrentBrushFullPath, "_Z23GetCurrentBrushFullPathP6HWND__Pc")

// The library stays loaded until the process ends: album windows may outlive any object here.
class AlbumLibrary {
public:
    AlbumLibrary() = default;
    AlbumLibrary(const AlbumLibrary&) = delete;
    AlbumLibrary& operator=(const AlbumLibrary&) = delete;

    // Loads the DLL at path and looks every entry point up. False, with what went wrong in error,
    // when the DLL does not load or lacks one of them; nothing stays loaded then.
    bool Load(const std::string& path, std::string& error);
    HMODULE Module() const { return module_; }

#define ALBUM_HOST_POINTER(name, exported) decltype(&::name) name = nullptr;
    ALBUM_HOST_ENTRIES(ALBUM_HOST_POINTER)
#undef ALBUM_HOST_POINTER

private:
    HMODULE module_ = nullptr;
};
