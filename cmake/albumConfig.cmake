# The album component as an installed CMake package for editor developers:
#
#   find_package(album CONFIG REQUIRED)
#   target_link_libraries(editor PRIVATE album::album album::imgio)
#
# album::album   album.dll, its import library and the public headers (album.h includes them all)
# album::imgio   imgio.dll (the image-file library), its import library and imgio.h
# album_RUNTIME_DLLS  every DLL the editor must ship next to its program: album.dll and the
#                     libraries it loads (imgio.dll, ctrlkit.dll, batchui.dll)
#
# One installed tree holds one target: a 32-bit editor finds the package installed by the i686
# build, a 64-bit one the x86_64 build (albumConfigVersion.cmake refuses the other).

get_filename_component(_album_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

set(album_RUNTIME_DLLS "")
foreach(_album_dll album imgio ctrlkit batchui)
  if(NOT EXISTS "${_album_prefix}/bin/${_album_dll}.dll")
    set(album_FOUND FALSE)
    set(album_NOT_FOUND_MESSAGE "${_album_prefix}/bin/${_album_dll}.dll is missing: the installed tree is incomplete")
    return()
  endif()
  list(APPEND album_RUNTIME_DLLS "${_album_prefix}/bin/${_album_dll}.dll")
endforeach()

foreach(_album_lib album imgio)
  if(NOT TARGET album::${_album_lib})
    add_library(album::${_album_lib} SHARED IMPORTED)
    set_target_properties(album::${_album_lib} PROPERTIES
      IMPORTED_LOCATION "${_album_prefix}/bin/${_album_lib}.dll"
      IMPORTED_IMPLIB "${_album_prefix}/lib/lib${_album_lib}.dll.a"
      INTERFACE_INCLUDE_DIRECTORIES "${_album_prefix}/include")
  endif()
endforeach()

unset(_album_dll)
unset(_album_lib)
unset(_album_prefix)
