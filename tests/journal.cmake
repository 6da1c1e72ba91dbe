# The shift entry dialog with its pickers, pricing and save.
tabel_add_test(entry SOURCES tst_entry.cpp support/ModalDriver.h LIBS tabel_app tabel_app_teststamp)
