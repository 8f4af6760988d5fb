# The program's named resources are listed once, in resources/resources.list
# (lines "NAME TYPE FILE", TYPE BITMAP or RCDATA, FILE relative to resources/).
# Windows: they become part of velmora.rc through a generated include.
# Native: a generated source registers their bytes in the resource table at start-up.
file(STRINGS ${CMAKE_SOURCE_DIR}/resources/resources.list resource_lines REGEX "^[A-Za-z_0-9]+")
set(rc_lines "")
set(native_decls "")
set(native_regs "")
set(resource_files "")
set(index 0)
foreach(line IN LISTS resource_lines)
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(GET fields 0 res_name)
  list(GET fields 1 res_type)
  list(GET fields 2 res_file)
  set(path ${CMAKE_SOURCE_DIR}/resources/${res_file})
  list(APPEND resource_files ${path})
  string(APPEND rc_lines "${res_name} ${res_type} \"${path}\"\n")
  if(NOT VELMORA_WINDOWS)
    file(READ ${path} hex HEX)
    if(res_type STREQUAL "BITMAP")
      # A bitmap resource holds the file without its 14-byte file header.
      string(SUBSTRING "${hex}" 28 -1 hex)
      set(kind TResourceType::Bitmap)
    else()
      set(kind TResourceType::RawData)
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND native_decls "static const unsigned char res${index}[] = {${bytes}};\n")
    string(APPEND native_regs "    RegisterResourceBytes(${kind}, \"${res_name}\", res${index}, sizeof res${index});\n")
  endif()
  math(EXPR index "${index} + 1")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/resources.list ${resource_files})

if(VELMORA_WINDOWS)
  file(WRITE ${CMAKE_BINARY_DIR}/generated/pictures.rc "${rc_lines}")
  # The version resource takes the project's one version number.
  file(WRITE ${CMAKE_BINARY_DIR}/generated/version.rc.h
"#define VELMORA_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0
#define VELMORA_VERSION_TEXT \"${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0\"
")
  set(VELMORA_RC_FILE ${CMAKE_SOURCE_DIR}/resources/velmora.rc)
  set(VELMORA_RC_DEPENDS "${resource_files};${CMAKE_BINARY_DIR}/generated/pictures.rc;${CMAKE_BINARY_DIR}/generated/version.rc.h")
  # Source properties hold per directory: every directory that compiles the script calls this
  # (velmora.exe here, the Windows test program in tests/).
  function(velmora_rc_properties)
    set_source_files_properties(${VELMORA_RC_FILE} PROPERTIES
      INCLUDE_DIRECTORIES "${CMAKE_BINARY_DIR}/generated;${CMAKE_SOURCE_DIR}/resources"
      OBJECT_DEPENDS "${VELMORA_RC_DEPENDS}")
  endfunction()
  velmora_rc_properties()
  # The view-image action's default picture lies beside velmora.exe (and beside the Windows
  # test program, whose tests start the gadget's double click from there).
  configure_file(${CMAKE_SOURCE_DIR}/resources/sample.jpg ${CMAKE_BINARY_DIR}/sample.jpg COPYONLY)
  configure_file(${CMAKE_SOURCE_DIR}/resources/sample.jpg ${CMAKE_BINARY_DIR}/tests/sample.jpg COPYONLY)
else()
  file(WRITE ${CMAKE_BINARY_DIR}/generated/embedded_resources.cpp
"// Generated from resources/resources.list: the program's resources for the native build.
#include \"uClasses.h\"
${native_decls}
namespace {
struct TEmbeddedResources {
  TEmbeddedResources() {
${native_regs}  }
} embeddedResources;
}
")
  add_library(velmora_native_resources OBJECT ${CMAKE_BINARY_DIR}/generated/embedded_resources.cpp)
  target_include_directories(velmora_native_resources PRIVATE ${CMAKE_SOURCE_DIR}/ui)
endif()
