// Sorting arrays by text.
total = 0;
for (j = 0; j < 250; j++) {
    a = new Array(2000);
    x = j;
    for (i = 0; i < 2000; i++) {
        x = (x * 1103515245 + 12345) % 2147483648;
        a[i] = 'k' + x;
    }
    a.sort();
    total += a[0].length;
}
total
