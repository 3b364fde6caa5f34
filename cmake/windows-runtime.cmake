# What the Windows program loads besides itself: Qt's DLLs, Qt's platform and style plugins in
# their folders, and the mingw runtime that Qt's DLLs were linked with (our own programs carry
# theirs), by licence. The same list is copied beside the build's programs, installed beside the
# program and named in the licence index.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)
set(SAA_QT_DLLS Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network)
set(SAA_QT_PLUGIN_FOLDERS platforms styles)
set(SAA_QT_PLUGINS_platforms Qt6::QWindowsIntegrationPlugin)
set(SAA_QT_PLUGINS_styles Qt6::QWindowsVistaStylePlugin)

set(SAA_GCC_RUNTIME_DLLS libstdc++-6.dll libgcc_s_seh-1.dll)
set(SAA_WINPTHREADS_DLLS libwinpthread-1.dll)
set(SAA_MINGW_RUNTIME)
foreach(dll IN LISTS SAA_GCC_RUNTIME_DLLS SAA_WINPTHREADS_DLLS)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
  endif()
  list(APPEND SAA_MINGW_RUNTIME ${path})
endforeach()

# The build's tests also load Qt's test library.
set(build_dlls ${SAA_QT_DLLS})
if(BUILD_TESTING)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  list(APPEND build_dlls Qt6::Test)
endif()

set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set(copy_commands COMMAND ${CMAKE_COMMAND} -E make_directory ${bin})
foreach(dll IN LISTS build_dlls)
  list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${dll}> ${bin})
endforeach()
list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SAA_MINGW_RUNTIME} ${bin})
foreach(folder IN LISTS SAA_QT_PLUGIN_FOLDERS)
  list(APPEND copy_commands COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/${folder})
  foreach(plugin IN LISTS SAA_QT_PLUGINS_${folder})
    list(APPEND copy_commands
         COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}> ${bin}/${folder})
  endforeach()
endforeach()
# Programs that link Qt depend on this target, so that it is in place before the build runs
# them (test discovery).
add_custom_target(windows_runtime ${copy_commands} VERBATIM)
