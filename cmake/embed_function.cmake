# quillmap_embed(target symbol file): compiles the bytes of `file` into `target` as
# `extern const unsigned char symbol[]` (followed by one 0 byte) and `symbol_size`.
function(quillmap_embed target symbol file)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/embedded_${symbol}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${output} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/embed.cmake
    COMMENT "Embedding ${file}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
