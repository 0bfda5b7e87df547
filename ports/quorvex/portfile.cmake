# An overlay port of the checkout it lies in: vcpkg install quorvex
# --overlay-ports=ports builds the library from these sources, not from a
# download. The programs and the tests are not the port's.
set(SOURCE_PATH "${CMAKE_CURRENT_LIST_DIR}/../..")

vcpkg_cmake_configure(
  SOURCE_PATH "${SOURCE_PATH}"
  OPTIONS
    -DQUORVEX_BUILD_TESTS=OFF
    -DQUORVEX_BUILD_PROGRAMS=OFF
)
vcpkg_cmake_install()
vcpkg_cmake_config_fixup(CONFIG_PATH lib/cmake/quorvex)
file(REMOVE_RECURSE "${CURRENT_PACKAGES_DIR}/debug/include")
vcpkg_install_copyright(FILE_LIST "${SOURCE_PATH}/LICENSE")
