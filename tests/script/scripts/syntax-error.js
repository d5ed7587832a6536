x = 1;
value = alpha + beta + gamma; )oops; alert(1)
