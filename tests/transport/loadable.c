int zep_test_answer(void) { return 42; }
