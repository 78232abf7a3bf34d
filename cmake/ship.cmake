# What goes into dist/ is what ships: the program stripped of its symbols, with a link to its
# debug file, which stays beside the linked program in the build tree (TARGET.debug).
# SOURCE_DATE_EPOCH=0 keeps objcopy from stamping the time of the copy into the headers (the
# debug file's checksum is part of the stripped program), so the same sources give the same bytes.
function(tallyfold_ship target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TALLYFOLD_DIST}
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
            $<TARGET_FILE:${target}> ${TALLYFOLD_DIST}/$<TARGET_FILE_NAME:${target}>
    VERBATIM)
endfunction()
