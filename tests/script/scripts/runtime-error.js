alert('before');
x = 2;
undefinedFunction(x, 'a');
alert('not reached');
