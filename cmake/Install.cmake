# What `make install` and the Debian package install (DESTDIR honoured): the
# programs, the udev rule that lets the user at the seat open the amplifier,
# the desktop entry, the AppStream metainfo, the icon (SVG, and PNGs rendered
# from it), the man pages and vlmctl's bash completion.
#
# The man pages, the completion and the PNG icons are made at build time from
# the built programs and data/vlm-tuner.svg (scripts/gen_man.sh,
# scripts/gen_vlmctl_completion.sh, rsvg-convert), so a new vlmctl command
# reaches both without an edit. They need help2man and rsvg-convert (installed
# by `make deps`); without them they are left out, unless
# VLM_REQUIRE_INSTALL_DATA is ON (the package build), which then fails.
# Sanitizer and fuzz builds make none of them: nothing installs from those.
include(GNUInstallDirs)

option(VLM_REQUIRE_INSTALL_DATA "Fail when a tool for the generated install files is missing" OFF)
# udev reads its rules from /usr/lib/udev/rules.d whatever the prefix is.
set(VLM_UDEV_RULES_DIR "/usr/lib/udev/rules.d" CACHE PATH "Where the udev rule is installed")
set(VLM_ICON_SIZES 16 22 24 32 48 64 128 256)

foreach(_prog vlm-tuner vlmctl)
  if(TARGET ${_prog})
    install(TARGETS ${_prog} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES data/70-vlm-tuner.rules DESTINATION ${VLM_UDEV_RULES_DIR})
install(FILES data/vlm-tuner.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/org.vlmtuner.VlmTuner.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/vlm-tuner.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

if(VLM_SANITIZE OR VLM_BUILD_FUZZ)
  return()
endif()

find_program(VLM_HELP2MAN help2man)
find_program(VLM_RSVG_CONVERT rsvg-convert)
foreach(_tool VLM_HELP2MAN VLM_RSVG_CONVERT)
  if(NOT ${_tool})
    if(VLM_REQUIRE_INSTALL_DATA)
      message(FATAL_ERROR "${_tool}: help2man and rsvg-convert (librsvg2-bin) are needed; run 'make deps'")
    endif()
    message(STATUS "${_tool} not found: the man pages, the completion and the PNG icons are not made")
    return()
  endif()
endforeach()

set(_gen ${CMAKE_BINARY_DIR}/install-data)
set(_outputs)

add_custom_command(OUTPUT ${_gen}/vlmctl.1
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/gen_man.sh $<TARGET_FILE:vlmctl> ${_gen}/vlmctl.1
          "command-line companion of the VLM24.60DSP tuning tool" --commands
  DEPENDS vlmctl ${CMAKE_SOURCE_DIR}/scripts/gen_man.sh
  COMMENT "Man page of vlmctl")
add_custom_command(OUTPUT ${_gen}/vlmctl.bash
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/gen_vlmctl_completion.sh $<TARGET_FILE:vlmctl> ${_gen}/vlmctl.bash
  DEPENDS vlmctl ${CMAKE_SOURCE_DIR}/scripts/gen_vlmctl_completion.sh
  COMMENT "Bash completion of vlmctl")
list(APPEND _outputs ${_gen}/vlmctl.1 ${_gen}/vlmctl.bash)
install(FILES ${_gen}/vlmctl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_gen}/vlmctl.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME vlmctl)

if(TARGET vlm-tuner)
  add_custom_command(OUTPUT ${_gen}/vlm-tuner.1
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/gen_man.sh $<TARGET_FILE:vlm-tuner> ${_gen}/vlm-tuner.1
            "tuning tool for the VLM24.60DSP car-audio amplifier"
    DEPENDS vlm-tuner ${CMAKE_SOURCE_DIR}/scripts/gen_man.sh
    COMMENT "Man page of vlm-tuner")
  list(APPEND _outputs ${_gen}/vlm-tuner.1)
  install(FILES ${_gen}/vlm-tuner.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

foreach(_size ${VLM_ICON_SIZES})
  set(_png ${_gen}/icons/${_size}x${_size}/vlm-tuner.png)
  add_custom_command(OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}/icons/${_size}x${_size}
    COMMAND ${VLM_RSVG_CONVERT} --width=${_size} --height=${_size} --output=${_png}
            ${CMAKE_SOURCE_DIR}/data/vlm-tuner.svg
    DEPENDS ${CMAKE_SOURCE_DIR}/data/vlm-tuner.svg
    COMMENT "Icon ${_size}x${_size}")
  list(APPEND _outputs ${_png})
  install(FILES ${_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()

add_custom_target(vlm_install_data ALL DEPENDS ${_outputs})
