# Embeds a UTF-8 string table (lines "<id>\t<text>", "#" comments, \n \t \\
# escapes) into target; read it with velmo_string_table_<name>() and
# platform::StringTable::parse.
function(velmo_add_string_table target table_name tsv_file)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${table_name}_strings.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DIN=${tsv_file} -DOUT=${out} -DNAME=${table_name}
            -P "${PROJECT_SOURCE_DIR}/cmake/EmbedStringTable.cmake"
    DEPENDS "${tsv_file}" "${PROJECT_SOURCE_DIR}/cmake/EmbedStringTable.cmake"
    COMMENT "Embedding string table ${table_name}")
  target_sources(${target} PRIVATE "${out}")
endfunction()
