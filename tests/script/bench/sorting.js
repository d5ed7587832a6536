// Sorting arrays by text.
total = 0;
for (j = 0; j < 250; j++) {
    a = new Array(2000);
    x = j;
    for (i = 0; i < 2000; i++) {
        // Kept below 2^31, where every engine's remainder agrees.
        x = (x * 69069 + 12345) % 16384;
        a[i] = 'k' + x;
    }
    a.sort();
    total += a[0].length;
}
total
