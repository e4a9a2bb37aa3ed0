# Run by `cmake --install` after the programs: writes the host's manifests, each naming the
# installed host as `host_program --manifest` prints them, into `private_dir`/manifests, and
# puts them where each browser looks system-wide as `mode` says ("copy", "link": relatively
# within /usr, absolutely from /etc; "none"; "auto": "copy" for the prefixes /usr and
# /usr/local, else "none"). Everything goes under DESTDIR when one is set.
# A system place that cannot be written is reported and skipped, so an install without root
# finishes.
if(IS_ABSOLUTE "${private_dir}")
  set(installed "${private_dir}/manifests")
else()
  set(installed "${CMAKE_INSTALL_PREFIX}/${private_dir}/manifests")
endif()
get_filename_component(host "${installed}/../quotemill-host" ABSOLUTE)
file(MAKE_DIRECTORY "$ENV{DESTDIR}${installed}")
foreach(browser chromium firefox)
  set(file "$ENV{DESTDIR}${installed}/${browser}.json")
  execute_process(COMMAND "${host_program}" --manifest ${browser} --host "${host}"
                  OUTPUT_FILE "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "quotemill-host --manifest ${browser} failed: ${status}")
  endif()
  file(CHMOD "${file}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)  # whatever the umask
  message(STATUS "Installing: ${file}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${file}")
endforeach()

if(mode STREQUAL "auto")
  if(CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/?$")
    set(mode copy)
  else()
    set(mode none)
  endif()
endif()
set(places
  chromium /etc/chromium/native-messaging-hosts
  chromium /etc/opt/chrome/native-messaging-hosts
  chromium /etc/opt/edge/native-messaging-hosts
  firefox /usr/lib/mozilla/native-messaging-hosts)
while(places AND NOT mode STREQUAL "none")
  list(POP_FRONT places browser dir)
  set(target "$ENV{DESTDIR}${dir}/quotemill.json")
  execute_process(COMMAND ${CMAKE_COMMAND} -E make_directory "$ENV{DESTDIR}${dir}" RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0 AND mode STREQUAL "link")
    set(source "${installed}/${browser}.json")
    if(dir MATCHES "^/usr/" AND source MATCHES "^/usr/")
      file(RELATIVE_PATH source "${dir}" "${source}")
    endif()
    file(REMOVE "${target}")
    file(CREATE_LINK "${source}" "${target}" RESULT status SYMBOLIC)
  elseif(status EQUAL 0)
    file(COPY_FILE "$ENV{DESTDIR}${installed}/${browser}.json" "${target}" RESULT status)
  endif()
  if(status EQUAL 0)
    message(STATUS "Installing: ${target}")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${target}")
  else()
    message(STATUS "Skipped: ${target} cannot be written; run quotemill-host --register as yourself")
  endif()
endwhile()
