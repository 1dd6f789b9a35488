# Compiles the fourteen link-mesh streams of this folder into talvane_core: each becomes a
# generated C++ source holding its bytes (cmake/embed_stream.cmake), regenerated whenever the
# stream changes. No stream is read at run time.
set(TALVANE_MESH_STREAMS
    crx5ia_0 crx5ia_1 crx5ia_2 crx5ia_3 crx5ia_4 crx5ia_5 crx5ia_6
    crx10ia_0 crx10ia_1 crx10ia_2 crx10ia_3 crx10ia_4 crx10ia_5 crx10ia_6)
set(TALVANE_MESH_DATA_DIR "${CMAKE_CURRENT_LIST_DIR}")
get_filename_component(TALVANE_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/../../cmake/embed_stream.cmake" ABSOLUTE)
set(TALVANE_EMBED_DIR "${CMAKE_CURRENT_BINARY_DIR}/embedded_meshes")
file(MAKE_DIRECTORY "${TALVANE_EMBED_DIR}")

# Adding or removing a stream changes the folder, which makes CMake look again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${TALVANE_MESH_DATA_DIR}")

set(TALVANE_MISSING_STREAMS "")
foreach(stream IN LISTS TALVANE_MESH_STREAMS)
  if(NOT EXISTS "${TALVANE_MESH_DATA_DIR}/${stream}.qrv")
    list(APPEND TALVANE_MISSING_STREAMS "${stream}.qrv")
  endif()
endforeach()

# A module without its geometry must not build quietly.
if(TALVANE_MISSING_STREAMS)
  message(FATAL_ERROR "Link-mesh streams missing from ${TALVANE_MESH_DATA_DIR}: ${TALVANE_MISSING_STREAMS}")
endif()

foreach(stream IN LISTS TALVANE_MESH_STREAMS)
  set(input "${TALVANE_MESH_DATA_DIR}/${stream}.qrv")
  set(output "${TALVANE_EMBED_DIR}/${stream}.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" "-DINPUT=${input}" "-DOUTPUT=${output}" "-DSYMBOL=${stream}" -P "${TALVANE_EMBED_SCRIPT}"
    DEPENDS "${input}" "${TALVANE_EMBED_SCRIPT}"
    COMMENT "Embedding link-mesh stream ${stream}.qrv"
    VERBATIM)
  target_sources(talvane_core PRIVATE "${output}")
endforeach()
