# Where a cross-build finds the Qt tools (moc, rcc, uic) to run here: Debian's Qt for this
# machine, of the target Qt's version. Included by the cross toolchains; `cmake -P` prints the
# two as the options that configure a cross-built Qt (scripts/build-qt-windows.sh).
cmake_host_system_information(RESULT SAA_HOST_PROCESSOR QUERY OS_PLATFORM)
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR ${QT_HOST_PATH}/lib/${SAA_HOST_PROCESSOR}-linux-gnu/cmake)
if(CMAKE_SCRIPT_MODE_FILE)
  foreach(variable QT_HOST_PATH QT_HOST_PATH_CMAKE_DIR)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "-D${variable}=${${variable}}")
  endforeach()
endif()
