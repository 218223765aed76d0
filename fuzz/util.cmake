if(TARGET kvtutil_main)
  kvt_fuzz_target(msg_text msg_text_fuzz.cc kvtutil_main)
endif()
