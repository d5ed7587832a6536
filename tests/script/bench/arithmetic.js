// Loops with arithmetic.
s = 0;
for (i = 0; i < 2400000; i++) {
    s = (s + i * 3 - (i % 7)) % 1000003;
}
s
