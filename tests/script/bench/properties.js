// Property access on objects and elements of arrays.
o = new Object();
o.a = 1;
o.b = 2;
a = new Array(100);
for (i = 0; i < 100; i++) a[i] = i;
s = 0;
for (j = 0; j < 20000; j++) {
    for (i = 0; i < 100; i++) s += a[i] + o.a * o.b;
    o.a = o.a + 1;
}
s
