# The same commit builds to the same bytes wherever it is checked out and
# whenever it is built, so a published quorvex.exe can be rebuilt and
# compared. GNU ld stamps the link time into the PE header (and, through it,
# the checksum field) unless told not to; the compiler writes the absolute
# source and build paths into __FILE__ and debug information. windres writes
# no time into the resource directory, and ld adds no debug directory or
# build id to a stripped PE image, so nothing else varies.
# Included after project(), for every MinGW build: the tests' executables
# get the same treatment, which costs nothing.
if(MINGW)
  # The later map is tried first, so files generated in the build tree map
  # to build/... even when the build tree is inside the checkout.
  add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}=."
                      "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build")
  add_link_options("LINKER:--no-insert-timestamp")
endif()
