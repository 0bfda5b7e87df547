# The release archive, built by the `dist` target (the `release` presets
# build it): QUORVEX_DIST_DIR/quorvex-<version>-win64.zip (win-arm64 for an
# ARM64 build) holding one folder
# with the executables, README.md, LICENSE, docs/ and SHA256SUMS, and beside
# the zip its own checksum and a copy of SHA256SUMS.
# Included at the end of the top-level CMakeLists.txt, once every program
# that ships is defined.
if(NOT WIN32 OR NOT TARGET quorvex)
  return()
endif()

set(QUORVEX_DIST_DIR "${CMAKE_SOURCE_DIR}/dist" CACHE PATH
    "Where the dist target writes the release zip and its checksums")

if(CMAKE_CXX_COMPILER_ARCHITECTURE_ID MATCHES "ARM64")
  set(quorvex_dist_name "quorvex-${PROJECT_VERSION}-win-arm64")
else()
  set(quorvex_dist_name "quorvex-${PROJECT_VERSION}-win64")
endif()
set(quorvex_dist_programs quorvex)
if(TARGET quorvex-capture)
  list(APPEND quorvex_dist_programs quorvex-capture)
endif()

# In the order they are listed in SHA256SUMS and stored in the zip.
set(quorvex_dist_files)
foreach(program IN LISTS quorvex_dist_programs)
  list(APPEND quorvex_dist_files "$<TARGET_FILE:${program}>")
endforeach()
list(APPEND quorvex_dist_files "${CMAKE_SOURCE_DIR}/README.md" "${CMAKE_SOURCE_DIR}/LICENSE")
# The pages, schemas and query the README links to, so that its links
# resolve in the unpacked zip as they do in the checkout.
file(GLOB quorvex_dist_docs LIST_DIRECTORIES false CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/docs/*")
list(SORT quorvex_dist_docs)
# Joined with | so each list stays one argument of the command line.
string(JOIN "|" quorvex_dist_file_arg ${quorvex_dist_files})
string(JOIN "|" quorvex_dist_docs_arg ${quorvex_dist_docs})

set(quorvex_dist_zip "${QUORVEX_DIST_DIR}/${quorvex_dist_name}.zip")
add_custom_command(
  OUTPUT "${quorvex_dist_zip}" "${quorvex_dist_zip}.sha256" "${QUORVEX_DIST_DIR}/SHA256SUMS"
  COMMAND "${CMAKE_COMMAND}" "-DQUORVEX_DIST_NAME=${quorvex_dist_name}"
          "-DQUORVEX_DIST_FILES=${quorvex_dist_file_arg}"
          "-DQUORVEX_DIST_DOCS=${quorvex_dist_docs_arg}"
          "-DQUORVEX_DIST_STAGE=${CMAKE_BINARY_DIR}/dist-stage"
          "-DQUORVEX_DIST_DIR=${QUORVEX_DIST_DIR}"
          -P "${CMAKE_CURRENT_LIST_DIR}/QuorvexDist.cmake"
  DEPENDS ${quorvex_dist_programs} ${quorvex_dist_files} ${quorvex_dist_docs}
          "${CMAKE_CURRENT_LIST_DIR}/QuorvexDist.cmake"
  COMMENT "Packing ${quorvex_dist_name}.zip"
  VERBATIM)
add_custom_target(dist DEPENDS "${quorvex_dist_zip}")
