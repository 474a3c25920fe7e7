# Man pages of the command-line programs, made from their own --help and
# --version by Debian's help2man, so that a page never drifts from the
# program it describes. Without help2man the pages are skipped, with one
# message: a build never fails for want of them.

include(GNUInstallDirs)

find_program(HELP2MAN_EXECUTABLE help2man)
if(NOT HELP2MAN_EXECUTABLE)
    message(STATUS "help2man not found: the man pages are not made")
endif()

# marrow_add_man_page(TARGET target SECTION 1 DESCRIPTION "one line"), called
# once the target's OUTPUT_NAME and SUFFIX are set,
# runs help2man on the built TARGET and installs the page as
# ${CMAKE_INSTALL_MANDIR}/man<SECTION>/<program>.<SECTION>, where <program>
# is the target's file name (Pellarin.exe, not the target's name).
function(marrow_add_man_page)
    cmake_parse_arguments(PARSE_ARGV 0 page "" "TARGET;SECTION;DESCRIPTION" "")
    if(NOT page_TARGET OR NOT page_DESCRIPTION)
        message(FATAL_ERROR "marrow_add_man_page needs TARGET and DESCRIPTION")
    endif()
    if(NOT page_SECTION)
        set(page_SECTION 1)
    endif()
    if(NOT HELP2MAN_EXECUTABLE)
        return()
    endif()

    # The program's file name is known when the build is generated; the
    # page is named after it, as man looks it up.
    get_target_property(output_name ${page_TARGET} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${page_TARGET})
    endif()
    get_target_property(suffix ${page_TARGET} SUFFIX)
    if(suffix)
        string(APPEND output_name ${suffix})
    endif()

    set(page ${CMAKE_BINARY_DIR}/man/${output_name}.${page_SECTION})
    # A Qt program asked for --help must not look for a display.
    # Debian installs its pages compressed; the plain page stays beside it for
    # the test that reads it.
    add_custom_command(
        OUTPUT ${page} ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                ${HELP2MAN_EXECUTABLE} --no-info
                --section=${page_SECTION} --name=${page_DESCRIPTION}
                --output=${page} $<TARGET_FILE:${page_TARGET}>
        COMMAND gzip -9 -n -k -f ${page}
        DEPENDS ${page_TARGET}
        COMMENT "Making the man page ${output_name}.${page_SECTION}"
        VERBATIM)
    add_custom_target(${page_TARGET}_man ALL DEPENDS ${page} ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${page_SECTION})
    # The test of the installed files checks every page made.
    set_property(GLOBAL APPEND PROPERTY MARROW_MAN_PAGES ${page})
endfunction()
