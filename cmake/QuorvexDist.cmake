# Run by the dist target (cmake -P): stages the shipped files (those of
# QUORVEX_DIST_DOCS in a docs/ folder, where the README's links find them),
# writes SHA256SUMS, packs the zip and writes its checksum.
#
# Every byte of the zip follows from the staged files, except the owner's
# user and group ids, which the zip writer always records: two builds by the
# same user give the same zip, and the files inside it are the same for
# anyone. What would otherwise differ is fixed here:
# - entry order: the files are named one by one, not found by listing a
#   folder, whose order depends on the file system;
# - times: every time the zip stores is SOURCE_DATE_EPOCH when the caller
#   sets it, else 2026-01-01 00:00 UTC; TZ=UTC for the local-time DOS fields.
#   Not the commit time: the zip is only repacked when a file in it changes,
#   so a commit that changes none of them would leave an older time in an
#   incremental build than in a clean one;
# - permissions: 755 for the programs, 644 for the rest, whatever the umask.
cmake_minimum_required(VERSION 3.21)

foreach(var QUORVEX_DIST_NAME QUORVEX_DIST_FILES QUORVEX_DIST_STAGE QUORVEX_DIST_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "QuorvexDist.cmake needs -D${var}=...")
  endif()
endforeach()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  set(epoch 1767225600)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a count of seconds: '${epoch}'")
endif()

set(folder "${QUORVEX_DIST_STAGE}/${QUORVEX_DIST_NAME}")
file(REMOVE_RECURSE "${QUORVEX_DIST_STAGE}")
file(MAKE_DIRECTORY "${folder}")

string(REPLACE "|" ";" files "${QUORVEX_DIST_FILES}")
string(REPLACE "|" ";" docs "${QUORVEX_DIST_DOCS}")
set(entries)
set(sums "")
foreach(file IN LISTS files docs)
  get_filename_component(name "${file}" NAME)
  if(file IN_LIST docs)
    set(name "docs/${name}")
  endif()
  if(name IN_LIST entries)
    message(FATAL_ERROR "Two files named ${name} in the release")
  endif()
  if(name MATCHES "\\.exe$")
    set(permissions OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  else()
    set(permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
  get_filename_component(destination "${folder}/${name}" DIRECTORY)
  file(COPY "${file}" DESTINATION "${destination}" FILE_PERMISSIONS ${permissions})
  file(SHA256 "${folder}/${name}" hash)
  # sha256sum's format, so `sha256sum -c SHA256SUMS` checks it.
  string(APPEND sums "${hash}  ${name}\n")
  list(APPEND entries "${name}")
endforeach()
file(WRITE "${folder}/SHA256SUMS" "${sums}")
file(CHMOD "${folder}/SHA256SUMS" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
list(APPEND entries SHA256SUMS)
list(TRANSFORM entries PREPEND "${QUORVEX_DIST_NAME}/")

set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
set(ENV{TZ} UTC0)
set(zip "${QUORVEX_DIST_DIR}/${QUORVEX_DIST_NAME}.zip")
file(MAKE_DIRECTORY "${QUORVEX_DIST_DIR}")
file(REMOVE "${zip}" "${zip}.sha256" "${QUORVEX_DIST_DIR}/SHA256SUMS")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${zip}"
                        --format=zip -- ${entries}
                WORKING_DIRECTORY "${QUORVEX_DIST_STAGE}" RESULT_VARIABLE tar_result)
if(NOT tar_result EQUAL 0)
  file(REMOVE "${zip}")
  message(FATAL_ERROR "Packing ${QUORVEX_DIST_NAME}.zip failed")
endif()

file(SHA256 "${zip}" zip_hash)
file(WRITE "${zip}.sha256" "${zip_hash}  ${QUORVEX_DIST_NAME}.zip\n")
file(COPY_FILE "${folder}/SHA256SUMS" "${QUORVEX_DIST_DIR}/SHA256SUMS")
message(STATUS "${zip}")
