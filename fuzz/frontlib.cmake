kvt_fuzz_target(ctl_file ctl_file_fuzz.cc kvtfront)
kvt_fuzz_target(log_reader log_reader_fuzz.cc kvtfront)
kvt_fuzz_target(status_reader status_reader_fuzz.cc kvtfront)
kvt_fuzz_target(err_text err_text_fuzz.cc kvtfront)
