# The version and date the configure takes from debian/changelog's first entry, for each form
# Debian writes, and a stop for an entry it cannot read. Run by CTest as cmake -P this file.
set(reader ${CMAKE_CURRENT_LIST_DIR}/../cmake/changelogversion.cmake)
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog-version.txt)
set(failures 0)
# row(<what> <first line> <date in the trailer> <expected "version date", or an error's words>)
function(row what first date expected)
    file(WRITE ${changelog} "${first}\n\n  * An entry.\n\n -- Koyomix developers <>  ${date} 12:00:00 +0000\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DCHANGELOG=${changelog} -P ${reader}
                    OUTPUT_VARIABLE out ERROR_VARIABLE out)
    string(REGEX REPLACE "[ \n]+" " " out "${out}")
    if(NOT out MATCHES "${expected}")
        message(SEND_ERROR "${what}: expected \"${expected}\", got \"${out}\"")
    endif()
endfunction()

row("native" "koyomix (1.0.0) bookworm; urgency=medium" "Mon, 07 Dec 2026" "^1.0.0 2026-12-07 $")
row("Debian revision" "koyomix (1.0.0-1) unstable; urgency=medium" "Mon, 07 Dec 2026" "^1.0.0 2026-12-07 $")
row("binNMU of a native version" "koyomix (1.0.0+b1) unstable; urgency=low, binary-only=yes"
    "Tue, 5 Jan 2027" "^1.0.0 2027-01-05 $")
row("epoch, revision, backport" "koyomix (2:1.2.30-4~bpo12+1) bookworm-backports; urgency=medium"
    "Sun, 31 Oct 2027" "^1.2.30 2027-10-31 $")
row("a version of letters stops" "koyomix (one) unstable; urgency=low" "Mon, 07 Dec 2026"
    "cannot read the version in its first line \"koyomix \\(one\\)")
row("an unknown month stops" "koyomix (1.0.0) unstable; urgency=low" "Mon, 07 Dez 2026"
    "cannot read the date of the first entry")
row("no date stops" "koyomix (1.0.0) unstable; urgency=low" "" "cannot read the date")
