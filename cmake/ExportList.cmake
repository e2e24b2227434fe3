# Writes a linker version script that makes exactly the functions declared with
# TK_EXPORT in the public header visible.
function(tonekit_write_version_script header output)
  file(STRINGS ${header} lines REGEX "^TK_EXPORT ")
  set(body "")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "[ (]([A-Za-z_][A-Za-z0-9_]*)\\)?\\(" match "${line}")
    string(APPEND body "    ${CMAKE_MATCH_1};\n")
  endforeach()
  file(WRITE ${output}.tmp "{\n  global:\n${body}  local: *;\n};\n")
  file(COPY_FILE ${output}.tmp ${output} ONLY_IF_DIFFERENT)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()
