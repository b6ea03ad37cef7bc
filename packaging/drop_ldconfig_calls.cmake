# Run by CPack after it has made the package (CPACK_POST_BUILD_SCRIPTS). CPack's Debian generator
# adds postinst and postrm scripts that run ldconfig whenever a shared object lies under /usr/lib,
# but the sound module is private: the program loads it by path from /usr/lib/marrowtide/, which is
# not in the dynamic linker's search path, so ldconfig has nothing to do there (and Debian runs it
# from a dpkg trigger for real libraries anyway). The package is rebuilt without the two scripts;
# everything else in it stays as CPack made it.
find_program(qx_dpkg_deb dpkg-deb REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND ${qx_dpkg_deb} --raw-extract "${package}" "${tree}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb could not unpack ${package}")
  endif()
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  execute_process(COMMAND ${qx_dpkg_deb} --root-owner-group -Zxz --build "${tree}" "${package}"
                  OUTPUT_QUIET RESULT_VARIABLE status)
  file(REMOVE_RECURSE "${tree}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-deb could not rebuild ${package}")
  endif()
endforeach()
