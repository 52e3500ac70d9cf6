# kovrin_gzip(SOURCE DEST): a build rule that writes DEST, SOURCE gzipped as Debian wants its documents:
# best compression, and no name or time stamp inside (gzip -n), so the same source always gives the same bytes.
find_program(KOVRIN_GZIP gzip REQUIRED)
function(kovrin_gzip source dest)
    add_custom_command(OUTPUT ${dest}
        COMMAND sh -c "\"$1\" -9 -n -c \"$2\" > \"$3.tmp\" && mv \"$3.tmp\" \"$3\"" sh ${KOVRIN_GZIP} ${source} ${dest}
        DEPENDS ${source}
        VERBATIM)
endfunction()
