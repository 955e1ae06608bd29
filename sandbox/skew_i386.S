/* void *call_skewed(void *fn, void *a, void *b, unsigned skew) */
    .text
    .globl call_skewed
    .type call_skewed, @function
call_skewed:
    push %ebp
    mov %esp, %ebp
    mov 8(%ebp), %eax
    mov 20(%ebp), %ecx
    and $-16, %esp
    sub $8, %esp
    sub %ecx, %esp
    push 16(%ebp)
    push 12(%ebp)
    call *%eax
    mov %ebp, %esp
    pop %ebp
    ret
    .size call_skewed, .-call_skewed
    .section .note.GNU-stack,"",@progbits
