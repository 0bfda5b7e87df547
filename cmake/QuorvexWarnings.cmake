# Warnings are errors for our own targets only; third-party code keeps its own flags.
function(quorvex_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wnon-virtual-dtor -Wold-style-cast -Werror)
  endif()
endfunction()

# A console program that runs on a bare Windows install: no runtime DLLs beside
# it, no debug symbols, and only the manifest of our own resource file.
function(quorvex_windows_executable target)
  if(MSVC)
    # The static runtime comes from CMAKE_MSVC_RUNTIME_LIBRARY, set for all targets.
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  else()
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
  endif()
endfunction()
