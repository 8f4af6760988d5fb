# The picture libraries: the system's -dev packages natively, the cross-built cache on Windows.
add_library(velmora_picture_libs INTERFACE)
if(VELMORA_WINDOWS)
  if(NOT VELMORA_WIN_DEPS)
    message(FATAL_ERROR "Set VELMORA_WIN_DEPS to the prefix of the cross-built Windows libraries")
  endif()
  target_include_directories(velmora_picture_libs INTERFACE ${VELMORA_WIN_DEPS}/include)
  target_link_libraries(velmora_picture_libs INTERFACE
    ${VELMORA_WIN_DEPS}/lib/libtiff.a
    ${VELMORA_WIN_DEPS}/lib/libpng16.a
    ${VELMORA_WIN_DEPS}/lib/libgif.a
    ${VELMORA_WIN_DEPS}/lib/libjpeg.a
    z)
else()
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  find_package(GIF REQUIRED)
  find_package(TIFF REQUIRED)
  find_package(ZLIB REQUIRED)
  target_link_libraries(velmora_picture_libs INTERFACE TIFF::TIFF PNG::PNG GIF::GIF JPEG::JPEG ZLIB::ZLIB)
endif()
