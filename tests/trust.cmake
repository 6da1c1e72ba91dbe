# Trust: a lost server is survived, hostile input is stored as typed or refused, and the
# private cluster works from a folder its server's user cannot enter.

# The reconnect test stops and starts its server: it has a cluster of its own, so the other
# test programs never see it go away.
set(TABEL_RECONNECT_CLUSTER "${CMAKE_BINARY_DIR}/reconnectdb")
add_test(NAME reconnect_db_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/pgcluster init ${TABEL_RECONNECT_CLUSTER} template)
add_test(NAME reconnect_db_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/pgcluster stop ${TABEL_RECONNECT_CLUSTER})
set_tests_properties(reconnect_db_start PROPERTIES FIXTURES_SETUP reconnect_db)
set_tests_properties(reconnect_db_stop PROPERTIES FIXTURES_CLEANUP reconnect_db)

tabel_add_test(reconnect SOURCES tst_reconnect.cpp LIBS tabel_app tabel_app_teststamp)
set_tests_properties(reconnect PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TABEL_TEST_CLUSTER=${TABEL_RECONNECT_CLUSTER};LC_ALL=C.UTF-8"
  FIXTURES_REQUIRED reconnect_db)

# The cluster script from a folder of mode 0700 (as made by mktemp -d, or root's home).
add_test(NAME private_folder_cluster COMMAND ${CMAKE_SOURCE_DIR}/scripts/test-private-folder)

# Every text box that reaches the database or a search, against one table of hostile texts.
tabel_add_test(hostile SOURCES tst_hostile.cpp LIBS tabel_app tabel_app_teststamp)

# The database decides who may do what: real logins of the tests' cluster, one access role each.
tabel_add_test(access SOURCES tst_access.cpp support/ModalDriver.h LIBS tabel_app tabel_app_teststamp)
add_dependencies(tst_access tabel)
