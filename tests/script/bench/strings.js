// String building and string methods.
n = 0;
for (j = 0; j < 7000; j++) {
    t = '';
    for (i = 0; i < 200; i++) t += 'ab' + i;
    n += t.length + t.indexOf('ab199') + t.substring(10, 20).length;
}
n
