# The picture libraries: the system's -dev packages natively, the cross-built cache on Windows.
add_library(velmora_picture_libs INTERFACE)
if(VELMORA_WINDOWS)
  # Default: the cache scripts/build-windows-deps fills for this architecture.
  if(NOT VELMORA_WIN_DEPS)
    if(DEFINED ENV{VELMORA_CACHE})
      set(VELMORA_WIN_DEPS "$ENV{VELMORA_CACHE}/${VELMORA_WIN_ARCH}")
    else()
      set(VELMORA_WIN_DEPS "$ENV{HOME}/.cache/velmora/${VELMORA_WIN_ARCH}")
    endif()
  endif()
  if(NOT EXISTS "${VELMORA_WIN_DEPS}/lib/libtiff.a")
    message(FATAL_ERROR "No Windows libraries in ${VELMORA_WIN_DEPS}: run scripts/build-windows-deps ${VELMORA_WIN_ARCH}")
  endif()
  target_include_directories(velmora_picture_libs INTERFACE ${VELMORA_WIN_DEPS}/include)
  target_link_libraries(velmora_picture_libs INTERFACE
    ${VELMORA_WIN_DEPS}/lib/libtiff.a
    ${VELMORA_WIN_DEPS}/lib/libpng16.a
    ${VELMORA_WIN_DEPS}/lib/libgif.a
    ${VELMORA_WIN_DEPS}/lib/libjpeg.a
    /usr/${VELMORA_TRIPLET}/lib/libz.a)
else()
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  find_package(GIF REQUIRED)
  find_package(TIFF REQUIRED)
  find_package(ZLIB REQUIRED)
  target_link_libraries(velmora_picture_libs INTERFACE TIFF::TIFF PNG::PNG GIF::GIF JPEG::JPEG ZLIB::ZLIB)
endif()
