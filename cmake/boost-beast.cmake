# Boost.Beast and Asio, header-only, from Debian's libboost1.81-dev: the same headers serve every
# target. A cross compiler gets a folder that holds only boost/.
find_path(SAA_BOOST_INCLUDE_DIR boost/beast.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          DOC "The folder that holds the host's boost/ headers (Debian's libboost1.81-dev)")
if(NOT SAA_BOOST_INCLUDE_DIR)
  message(FATAL_ERROR "Boost.Beast's headers are missing: install libboost1.81-dev")
endif()
add_library(Boost::beast INTERFACE IMPORTED)
target_compile_definitions(Boost::beast INTERFACE BOOST_ASIO_NO_DEPRECATED)
find_package(Threads REQUIRED)
target_link_libraries(Boost::beast INTERFACE Threads::Threads)
if(CMAKE_CROSSCOMPILING)
  # A cross compiler must not see the rest of the host's include folder (glibc's headers).
  set(boost_only ${CMAKE_BINARY_DIR}/boost-include)
  file(MAKE_DIRECTORY ${boost_only})
  file(CREATE_LINK ${SAA_BOOST_INCLUDE_DIR}/boost ${boost_only}/boost SYMBOLIC)
  target_include_directories(Boost::beast SYSTEM INTERFACE ${boost_only})
elseif(NOT SAA_BOOST_INCLUDE_DIR STREQUAL "/usr/include")
  target_include_directories(Boost::beast SYSTEM INTERFACE ${SAA_BOOST_INCLUDE_DIR})
endif()
if(WIN32)
  # Windows 10's sockets; Asio's accept and connect extensions live in mswsock.
  target_compile_definitions(Boost::beast INTERFACE _WIN32_WINNT=0x0A00)
  target_link_libraries(Boost::beast INTERFACE ws2_32 mswsock)
endif()
