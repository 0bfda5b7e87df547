# The library as `cmake --install` gives it: find_package(quorvex CONFIG)
# with quorvex::quorvex (a machine's record, on Windows this machine's and
# elsewhere a capture folder's; its machine keys, their diff, its identities
# document: the standard library only, and on Windows the system libraries)
# and quorvex::documents (identities documents read back into records, with
# nlohmann/json) and quorvex::fingerprint (machine fingerprints under an
# application's key, their documents and their match). Beside them
# quorvex::crypto, the keyed hash and the random generator (CNG on Windows,
# OpenSSL's libcrypto elsewhere), which quorvex::fingerprint is built on;
# its header is the program's own. Included at the
# end of the top-level CMakeLists.txt, once every library it names is
# defined.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# quorvex is the program's name already; the library is named so outside.
add_library(quorvex_library INTERFACE)
set_target_properties(quorvex_library PROPERTIES EXPORT_NAME quorvex)
target_link_libraries(quorvex_library INTERFACE quorvex_core)
set(quorvex_package_targets quorvex_library quorvex_documents quorvex_fingerprint quorvex_core
                            quorvex_platform quorvex_capture_file quorvex_capture_format
                            quorvex_crypto)
if(NOT WIN32)
  # A capture folder's record: the loader and the stand-in it answers from.
  target_link_libraries(quorvex_library INTERFACE quorvex_capture)
  list(APPEND quorvex_package_targets quorvex_capture quorvex_standin quorvex_standin_model)
endif()
set_target_properties(quorvex_documents PROPERTIES EXPORT_NAME documents)
set_target_properties(quorvex_fingerprint PROPERTIES EXPORT_NAME fingerprint)
set_target_properties(quorvex_crypto PROPERTIES EXPORT_NAME crypto)
add_library(quorvex::quorvex ALIAS quorvex_library)
add_library(quorvex::documents ALIAS quorvex_documents)
add_library(quorvex::fingerprint ALIAS quorvex_fingerprint)
add_library(quorvex::crypto ALIAS quorvex_crypto)

install(TARGETS ${quorvex_package_targets} EXPORT quorvexTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
target_include_directories(quorvex_platform INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
# The library's face; the program's own headers beside them stay in the tree.
install(FILES include/quorvex/documents.h include/quorvex/identities.h
              include/quorvex/machine_keys.h include/quorvex/placeholders.h
              include/quorvex/failure.h include/quorvex/fingerprint.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quorvex)

set(quorvex_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/quorvex)
install(EXPORT quorvexTargets NAMESPACE quorvex:: DESTINATION ${quorvex_package_dir})
configure_package_config_file(cmake/quorvexConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/quorvexConfig.cmake
                              INSTALL_DESTINATION ${quorvex_package_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/quorvexConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quorvexConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/quorvexConfigVersion.cmake
        DESTINATION ${quorvex_package_dir})
