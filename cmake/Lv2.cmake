# The LV2 bundle Vornell.lv2/: the same instrument and editor source compiled a second time
# with VORNELL_LV2 defined (Synth then derives from the LV2 adapter IPlugLV2),
# linked into the module Vornell.so, with manifest.ttl and Vornell.ttl written at
# build time by a generator that reads the parameter table and the outputs from
# the instrument itself. Needs Debian's lv2-dev; skipped without it.
if(VORNELL_BUILD_FUZZ)
  return()  # the fuzz targets drive the code directly; the bundle adds nothing there
endif()
pkg_check_modules(LV2 IMPORTED_TARGET lv2>=1.18)
if(NOT LV2_FOUND)
  message(STATUS "LV2 headers not found: the LV2 bundle is not built")
  return()
endif()

set(VORNELL_LV2_BUNDLE ${CMAKE_BINARY_DIR}/Vornell.lv2)
set(VORNELL_LV2_MODULE_FILE Vornell.so)
file(GLOB VORNELL_LV2_ADAPTER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/plugin/IPlugLV2*.cpp)

add_library(vornell_core_lv2 STATIC ${CORE_SOURCES} ${VORNELL_LV2_ADAPTER_SOURCES})
target_include_directories(vornell_core_lv2 PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(vornell_core_lv2 PUBLIC VORNELL_LV2)
target_link_libraries(vornell_core_lv2 PUBLIC vornell_engine vornell_graphics vornell_platform PkgConfig::LV2)

add_library(vornell_editor_lv2 STATIC ${EDITOR_SOURCES})
target_link_libraries(vornell_editor_lv2 PUBLIC vornell_core_lv2)

file(GLOB VORNELL_LV2_MODULE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/module/lv2/*.cpp)
add_library(vornell_lv2 SHARED ${VORNELL_LV2_MODULE_SOURCES})
set_target_properties(vornell_lv2 PROPERTIES OUTPUT_NAME Vornell PREFIX "" SUFFIX ".so"
  LIBRARY_OUTPUT_DIRECTORY ${VORNELL_LV2_BUNDLE})
vornell_link_resources(vornell_lv2 ALL)
# As the VST2 module: only the entry points are exported, and the module stays
# loaded once loaded (see the VST2 module above).
target_link_libraries(vornell_lv2 PRIVATE vornell_editor_lv2 -Wl,--no-undefined -Wl,-z,nodelete
  -Wl,--version-script=${CMAKE_SOURCE_DIR}/module/lv2/exports.map)
set_target_properties(vornell_lv2 PROPERTIES LINK_DEPENDS ${CMAKE_SOURCE_DIR}/module/lv2/exports.map)

# The description, from the (VST2 build of the) same parameter table.
add_executable(vornell_make_lv2_description ${CMAKE_SOURCE_DIR}/resources/lv2/MakeLv2Description.cpp)
target_link_libraries(vornell_make_lv2_description PRIVATE vornell_core)
vornell_link_resources(vornell_make_lv2_description vornell_factory_programs)
set(VORNELL_LV2_TTL ${VORNELL_LV2_BUNDLE}/manifest.ttl ${VORNELL_LV2_BUNDLE}/Vornell.ttl)
add_custom_command(
  OUTPUT ${VORNELL_LV2_TTL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORNELL_LV2_BUNDLE}
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vornell_make_lv2_description> ${VORNELL_LV2_BUNDLE}
          ${VORNELL_LV2_MODULE_FILE}
  DEPENDS vornell_make_lv2_description
  COMMENT "Writing the LV2 plug-in description"
  VERBATIM)
add_custom_target(vornell_lv2_bundle ALL DEPENDS ${VORNELL_LV2_TTL} vornell_lv2)
