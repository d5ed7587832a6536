// Needs several JS_Evaluate calls: the step budget stops it and it goes on.
total = 0;
for (i = 0; i < 20000; i++) { total += 2 }
alert(total);
