if(TARGET kvteditor)
  kvt_fuzz_target(sort_order sort_order_fuzz.cc kvteditor kvtengine)
endif()
