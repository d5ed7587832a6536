while (1) { }
