# The shift entry dialog with its pickers, pricing and save; the journal following other workstations.
tabel_add_test(entry SOURCES tst_entry.cpp support/ModalDriver.h LIBS tabel_app tabel_app_teststamp)
tabel_add_test(live SOURCES tst_live.cpp LIBS tabel_app tabel_app_teststamp)
