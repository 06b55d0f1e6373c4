# koyomix_changelog_version(<changelog> <version-var> <date-var>)
# The version and the date (YYYY-MM-DD) of a Debian changelog's first entry, in every form
# Debian writes it: 1.0.0 (native), 1.0.0-1 (a Debian revision), 1.0.0+b1 (a rebuild by the
# build daemons), 1:1.0.0-1~bpo12+1 (an epoch, a backport). The version is the upstream part
# alone, digits and dots, as project() takes it. A first entry that cannot be read stops the
# configure: a wrong version would otherwise reach the caption unnoticed.
# Run as a script (cmake -DCHANGELOG=<file> -P this file) it prints the two.
function(koyomix_changelog_version file version_var date_var)
    file(READ ${file} text)
    if(NOT text MATCHES "^koyomix \\(([0-9]+:)?([0-9]+(\\.[0-9]+)*)([-+~][A-Za-z0-9.+~-]*)?\\) ")
        string(REGEX MATCH "^[^\n]*" line "${text}")
        message(FATAL_ERROR "${file}: cannot read the version in its first line \"${line}\": "
                            "expected \"koyomix (1.2.3) \", with a Debian revision (-1) or "
                            "a rebuild suffix (+b1) if any")
    endif()
    set(version ${CMAKE_MATCH_2})
    # The first entry's trailer, " -- Name <address>  Mon, 7 Dec 2026 12:00:00 +0000", read as
    # loosely as dpkg reads it (the day of the week may be missing, the blanks vary).
    string(REGEX MATCH "\n -- [^\n]*" trailer "${text}")
    string(STRIP "${trailer}" trailer)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    set(month -1)
    if(trailer MATCHES "> +([A-Z][a-z]+, *)?([0-9]?[0-9]) +([A-Z][a-z][a-z]) +([0-9][0-9][0-9][0-9]) ")
        list(FIND months ${CMAKE_MATCH_3} month)
        set(day ${CMAKE_MATCH_2})
        set(year ${CMAKE_MATCH_4})
    endif()
    if(month LESS 0 OR day LESS 1 OR day GREATER 31)
        message(FATAL_ERROR "${file}: cannot read the date of the first entry in \"${trailer}\": "
                            "expected \" -- Name <address>  Mon, 07 Dec 2026 12:00:00 +0000\"")
    endif()
    math(EXPR month "${month} + 101")
    math(EXPR day "${day} + 100")
    string(SUBSTRING ${month} 1 2 month)
    string(SUBSTRING ${day} 1 2 day)
    set(${version_var} ${version} PARENT_SCOPE)
    set(${date_var} ${year}-${month}-${day} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    koyomix_changelog_version(${CHANGELOG} version date)
    message(NOTICE "${version} ${date}")
endif()
