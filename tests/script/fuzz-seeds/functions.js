function P(x) { this.x = x } p = new P(3);
function f(a, b) { var t = a * b; return t + p.x }
o = new Object(); o.k = f(2, 5); s = '';
for (n in o) s += n + '=' + o[n];
with (o) { k += 1 }
eval('r = ' + o.k + ' >>> 1');
