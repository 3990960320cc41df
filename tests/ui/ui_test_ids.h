// Resource ids of the ui tests' own pictures (ui_test.rc).
#ifndef QZ_TESTS_UI_UI_TEST_IDS_H
#define QZ_TESTS_UI_UI_TEST_IDS_H

#define IDB_TEST_BUTTON_NORMAL  301
#define IDB_TEST_BUTTON_PRESSED 302
#define IDB_TEST_BUTTON_HOVER   303
// No resource has this id.
#define IDB_TEST_MISSING        399

#endif  // QZ_TESTS_UI_UI_TEST_IDS_H
