a = 1; b = '2'; c = a + b; d = a - -b; e = !a || ~a && a ^ 3;
x = (0/0) != (0/0) ? 'nan' : 'num'; y = typeof x; z = void 0;
i = 0; while (i < 10) { i++; if (i == 3) continue; if (i > 7) break }
for (j = 0; j < 3; j++) { k = j << 2 | j >> 1; k %= 3; k >>>= 1 }
s = 'it\'s\t"q"'; t = s.length; u = s.bold; arr = new Array(3); arr[5] = 'x';
