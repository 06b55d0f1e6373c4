# Tests of what the program offers a desktop user: screen readers, input method,
# copying results, Qt's Japanese texts, the desktop entry and the metainfo. The Debian package
# is built and checked by CI (tests/debian-package.sh).
koyomix_add_test(tst_desktop SOURCES tst_desktop.cpp LIBS koyomix_window)
# Qt's own texts are Japanese in a session of another language too.
koyomix_add_test(tst_desktop_c_locale RUNS tst_desktop ENV "LANG=C;LC_ALL=C;LANGUAGE=C")
# A text query that never returns fails in seconds, by Qt Test's watchdog.
koyomix_add_test(tst_fieldaccess SOURCES tst_fieldaccess.cpp LIBS koyomix_window
                 ENV "QTEST_FUNCTION_TIMEOUT=20000")
# Copying and the focus again on a real X server, where the menu grabs mouse and keyboard.
koyomix_add_test(tst_desktop_x11 RUNS tst_desktop X11
                 ARGS copyResult selectingAndTheMenuLeaveTheFocusInTheField)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    # display_test(NAME TIMEOUT LANG COMMAND...): a script on a real desktop, run alone (Orca
    # refuses a second instance, and load keeps windows from activating). Debian's python3,
    # which has pyatspi.
    function(display_test name timeout lang)
        add_test(NAME ${name} COMMAND ${ARGN})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "LANG=${lang};TZ=UTC"
                             TIMEOUT ${timeout} RUN_SERIAL TRUE LABELS display)
    endfunction()
    set(here ${CMAKE_CURRENT_SOURCE_DIR})
    set(koyomix $<TARGET_FILE:koyomix>)
    # What a screen reader reads, over AT-SPI on its own session bus, started inside with-x11.sh
    # so that the bus gets its runtime directory.
    display_test(atspi_read_result 120 ja_JP.UTF-8 ${here}/with-x11.sh dbus-run-session --
                 /usr/bin/python3 ${here}/atspi_read_result.py ${koyomix})
    # What Orca, Debian's screen reader, says while a user works the window with real keys
    # and clicks: the field announced after a notice, whole field texts, every notice's
    # message, the results. with-x11.sh gives Orca and the program a private session bus.
    display_test(orca_speech 300 ja_JP.UTF-8 ${here}/with-x11.sh /usr/bin/python3
                 ${here}/orca_speech.py ${koyomix})
    # The same in the C locale: Orca's own words in English, the program's still Japanese.
    display_test(orca_speech_c_locale 300 C ${here}/with-x11.sh /usr/bin/python3
                 ${here}/orca_speech.py ${koyomix} C)

    # Koyomix as Debian's GNOME and Plasma sessions run it on Wayland: headless mutter and
    # kwin_wayland with the session's variables, driven by the compositor's own input and read
    # over AT-SPI. Skipped only where the compositor cannot run at all.
    # Plasma also through Xwayland, as a user chooses with QT_QPA_PLATFORM=xcb; GNOME natively
    # where a user chooses it, also where Koyomix would choose Xwayland.
    foreach(run gnome gnome_wayland plasma plasma_xcb)
        string(REPLACE "_" ";" args ${run})
        list(POP_FRONT args desktop)
        display_test(wayland_${run} 120 ja_JP.UTF-8 ${here}/with-wayland.sh ${desktop}
                     /usr/bin/python3 ${here}/wayland_desktops.py ${koyomix} ${args})
        set_tests_properties(wayland_${run} PROPERTIES SKIP_RETURN_CODE 77
                             LABELS "display;wayland")
    endforeach()

    # The desktop entry and metainfo as installed.
    find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
    find_program(APPSTREAMCLI appstreamcli REQUIRED)
    add_test(NAME desktop_entry_valid
             COMMAND ${DESKTOP_FILE_VALIDATE}
                     ${PROJECT_SOURCE_DIR}/packaging/io.github.koyomix.Koyomix.desktop)
    add_test(NAME metainfo_valid
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/validate-metainfo.sh
                     ${PROJECT_BINARY_DIR}/packaging/io.github.koyomix.Koyomix.metainfo.xml)
endif()
