# tst_db also runs the build check, which keeps the data module's decimal separator.
tabel_add_test(db SOURCES tst_db.cpp LIBS tabel_db tabel_app tabel_app_teststamp)
tabel_add_test(startup SOURCES tst_startup.cpp LIBS tabel_app tabel_app_teststamp)
add_dependencies(tst_startup tabel)
