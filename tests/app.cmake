tabel_add_test(login SOURCES tst_login.cpp support/ModalDriver.h LIBS tabel_app tabel_app_teststamp)
add_dependencies(tst_login tabel)
tabel_add_test(journal SOURCES tst_journal.cpp support/ModalDriver.h LIBS tabel_app tabel_app_teststamp)
tabel_add_test(messageboxes SOURCES tst_messageboxes.cpp support/ModalDriver.h LIBS tabel_app tabel_app_teststamp)
# The program at a workstation: Russian whatever the system locale, window sizes and column
# widths kept between runs.
tabel_add_test(workstation SOURCES tst_workstation.cpp LIBS tabel_app tabel_app_teststamp)
