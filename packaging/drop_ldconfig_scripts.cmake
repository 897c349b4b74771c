# Run by cpack after the DEB generator (CPACK_POST_BUILD_SCRIPTS), on the package in its staging
# folder: takes out the postinst and postrm that only call ldconfig.
#
# CPackDeb writes them for every shared object whose folder, or that folder's parent, is /lib or
# /usr/lib (CMake 3.25, Internal/CPack/CPackDeb.cmake), and offers no switch against it. Ours is
# the spreadsheet module, /usr/lib/sorbel/libsorbel-calc.so: ldconfig never reads that folder,
# nothing links the module (the programs load it by path) and the package ships no public
# library, so there is nothing for ldconfig to do, neither by these calls (lintian:
# maintscript-calls-ldconfig) nor by a trigger. A script holding anything more than CPack's call
# stops the package rather than being dropped.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  set(dropped "")
  foreach(script postinst postrm)
    set(file "${tree}/DEBIAN/${script}")
    if(NOT EXISTS "${file}")
      continue()
    endif()
    file(READ "${file}" text)
    if(NOT text MATCHES "^#!/bin/sh\n\nset -e\n\nif \\[ \"\\$1\" = \"(configure|remove)\" \\]; then\n\tldconfig\nfi\n$")
      message(FATAL_ERROR "${script} of ${deb} holds more than CPack's ldconfig call:\n${text}")
    endif()
    file(REMOVE "${file}")
    list(APPEND dropped ${script})
  endforeach()
  if(dropped)
    # As CPack made it: files owned by root, data compressed with xz (CPACK_DEBIAN_COMPRESSION_TYPE).
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build "${tree}" "${deb}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    list(JOIN dropped " and " dropped)
    message(STATUS "Took CPack's ldconfig-only ${dropped} out of ${deb}")
  endif()
  file(REMOVE_RECURSE "${tree}")
endforeach()
