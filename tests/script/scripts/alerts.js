// Values of several kinds reach alert as text.
var greeting = 'hello';
alert(greeting + ', ' + 'world');
alert(6 * 7);
function square(n) { return n * n }
alert(square(12) + 1);
alert(1 < 2);
count = 0;
for (i = 0; i < 5; i++) count += i;
alert('count ' + count);
'done'
