; A DOS railway-control program in miniature, for the DOSBox check: drives
; COM1 as a 605x host does, either through the UART's registers ("DOSPROBE U")
; or through the BIOS, int 14h ("DOSPROBE B"). It sets 2400 baud 8N2, raises
; DTR and RTS, and before every command waits for CTS: power on, loco 12
; speed 5 (CTS must drop while the bridge handles it), solenoid 7 on and the
; lone 32 that ends it, and a read of S88 module 1, whose two bytes must be
; 80h 01h (the check sets contacts 1 and 16). Every wait has a limit. One line
; per step goes to RESULT.TXT in the current directory, then "all steps
; passed" or "some steps failed".
; Build: nasm -f bin -o DOSPROBE.COM DosProbe.asm

        cpu     8086
        bits    16
        org     100h

COM1    equ     3F8h
LCR     equ     COM1 + 3
MCR     equ     COM1 + 4
LSR     equ     COM1 + 5
MSR     equ     COM1 + 6
CTS     equ     10h
DSR     equ     20h
LIMIT   equ     91                      ; timer ticks: 5 s
PACE    equ     3                       ; ticks between commands, as 605x hosts pause

start:
        ; The mode: a B anywhere in the command tail means the BIOS.
        mov     cl, [80h]
        xor     ch, ch
        mov     si, 81h
.tail:  jcxz    .open
        lodsb
        and     al, 0DFh
        cmp     al, 'B'
        jne     .next
        mov     byte [bios], 1
.next:  loop    .tail
.open:  mov     ah, 3Ch                 ; create RESULT.TXT
        xor     cx, cx
        mov     dx, result_name
        int     21h
        jc      .no_file
        mov     [handle], ax
        jmp     setup
.no_file:
        mov     ax, 4C02h
        int     21h

setup:
        mov     si, t_bios
        cmp     byte [bios], 0
        jne     .bios
        mov     si, t_uart
        call    say
        ; 2400 baud: divisor 48; then 8 data bits, no parity, 2 stop bits.
        mov     dx, LCR
        mov     al, 80h
        out     dx, al
        mov     dx, COM1
        mov     al, 48
        out     dx, al
        inc     dx
        xor     al, al
        out     dx, al
        mov     dx, LCR
        mov     al, 07h
        out     dx, al
        mov     dx, COM1 + 1            ; no interrupts
        xor     al, al
        out     dx, al
        mov     dx, LCR
        in      al, dx
        cmp     al, 07h
        mov     si, t_setup
        call    step_zf
        mov     dx, MCR                 ; DTR and RTS on
        mov     al, 03h
        out     dx, al
        in      al, dx
        and     al, 03h
        cmp     al, 03h
        mov     si, t_dtr
        call    step_zf
        ; Nothing old waiting to be read.
        mov     cx, 16
.drain: mov     dx, LSR
        in      al, dx
        test    al, 1
        jz      lines
        mov     dx, COM1
        in      al, dx
        loop    .drain
        jmp     lines
.bios:  call    say
        mov     ax, 00A7h               ; 2400 baud, no parity, 2 stop bits, 8 data bits
        xor     dx, dx
        int     14h
        test    ah, 80h
        mov     si, t_setup
        call    step_zf

lines:
        call    modem_status
        push    ax
        mov     si, t_status
        call    say_text
        pop     ax
        push    ax
        call    say_hex
        call    say_end
        pop     ax
        and     al, CTS | DSR
        cmp     al, CTS | DSR
        mov     si, t_cts_dsr
        call    step_zf

commands:
        mov     si, t_power
        mov     al, 96
        call    command1
        ; Loco 12, speed 5: its first command keeps CTS off while the bridge
        ; waits for the layout.
        mov     si, t_loco
        mov     ax, 0C05h
        call    command2
        mov     bl, 0
        call    wait_cts
        jc      .no_drop
        mov     bl, CTS
        call    wait_cts
.no_drop:
        mov     si, t_cts_drop
        call    step_cf
        mov     si, t_solenoid
        mov     ax, 0721h
        call    command2
        mov     si, t_off
        mov     al, 32
        call    command1
        mov     si, t_s88
        mov     al, 193
        call    command1
        call    receive
        jc      .short
        mov     [reply], al
        call    receive
        jc      .short
        mov     [reply + 1], al
.short: mov     si, t_reply
        call    say_text
        mov     al, [reply]
        call    say_hex
        mov     al, ' '
        call    say_char
        mov     al, [reply + 1]
        call    say_hex
        call    say_end
        cmp     word [reply], 0180h     ; still FFh where nothing came
        mov     si, t_reply_ok
        call    step_zf

finish:
        mov     si, t_passed
        cmp     byte [failures], 0
        je      .say
        mov     si, t_failed
.say:   call    say
        mov     ah, 3Eh
        mov     bx, [handle]
        int     21h
        mov     al, [failures]
        mov     ah, 4Ch
        int     21h

; A one-byte command AL, named by SI: pauses, waits for CTS, sends.
command1:
        push    ax
        call    pause
        mov     bl, CTS
        call    wait_cts
        pop     ax
        jc      .done
        call    send
.done:  jmp     step_cf

; A two-byte command AL, AH (address), named by SI.
command2:
        push    ax
        call    pause
        mov     bl, CTS
        call    wait_cts
        pop     ax
        jc      .done
        push    ax
        call    send
        pop     ax
        jc      .done
        mov     al, ah
        call    send
.done:  jmp     step_cf

; Waits until CTS is BL (CTS or 0); CF when it is not within the limit.
wait_cts:
        call    ticks
        mov     di, ax
.poll:  call    modem_status
        and     al, CTS
        cmp     al, bl
        je      .yes
        call    ticks
        sub     ax, di
        cmp     ax, LIMIT
        jb      .poll
        stc
        ret
.yes:   clc
        ret

pause:
        call    ticks
        mov     di, ax
.wait:  call    ticks
        sub     ax, di
        cmp     ax, PACE
        jb      .wait
        ret

; AL = the modem status register.
modem_status:
        cmp     byte [bios], 0
        jne     .bios
        mov     dx, MSR
        in      al, dx
        ret
.bios:  mov     ah, 03h
        xor     dx, dx
        int     14h
        ret

; Sends AL; CF when it could not.
send:
        cmp     byte [bios], 0
        jne     .bios
        push    ax
        call    ticks
        mov     di, ax
.empty: mov     dx, LSR
        in      al, dx
        test    al, 20h
        jnz     .out
        call    ticks
        sub     ax, di
        cmp     ax, LIMIT
        jb      .empty
        pop     ax
        stc
        ret
.out:   pop     ax
        mov     dx, COM1
        out     dx, al
        clc
        ret
.bios:  mov     ah, 01h
        xor     dx, dx
        int     14h
        mov     [bios_status], ah
        test    ah, 80h
        jz      .sent
        stc
        ret
.sent:  clc
        ret

; AL = the next byte received; CF when none came within the limit.
receive:
        call    ticks
        mov     di, ax
.poll:  cmp     byte [bios], 0
        jne     .bios
        mov     dx, LSR
        in      al, dx
        test    al, 01h
        jz      .later
        mov     dx, COM1
        in      al, dx
        clc
        ret
.bios:  mov     ah, 03h
        xor     dx, dx
        int     14h
        test    ah, 01h
        jz      .later
        mov     ah, 02h
        xor     dx, dx
        int     14h
        test    ah, 80h
        jnz     .fail
        clc
        ret
.later: call    ticks
        sub     ax, di
        cmp     ax, LIMIT
        jb      .poll
.fail:  stc
        ret

; AX = the low word of the BIOS tick count.
ticks:
        push    ds
        xor     ax, ax
        mov     ds, ax
        mov     ax, [046Ch]
        pop     ds
        ret

; A step named by SI passed when ZF (step_zf) or NC (step_cf) is set.
step_cf:
        jc      failed
        jmp     passed
step_zf:
        jnz     failed
passed: call    say_text
        mov     si, t_ok
        jmp     say
failed: inc     byte [failures]
        call    say_text
        mov     si, t_failed_step
        call    say_text
        cmp     byte [bios], 0
        je      .end
        mov     si, t_ah                ; what the BIOS said last
        call    say_text
        mov     al, [bios_status]
        call    say_hex
.end:   jmp     say_end

; Writes the text at SI (ended by 0) to the result file; say ends the line.
say:    call    say_text
say_end:
        mov     si, t_crlf
say_text:
        push    ax
.next:  lodsb
        or      al, al
        jz      .done
        call    say_char
        jmp     .next
.done:  pop     ax
        ret

say_hex:
        push    ax
        mov     cl, 4
        shr     al, cl
        call    .digit
        pop     ax
        and     al, 0Fh
.digit: add     al, '0'
        cmp     al, '9'
        jbe     say_char
        add     al, 'A' - '9' - 1
say_char:
        push    ax
        push    bx
        push    cx
        push    dx
        mov     [char], al
        mov     ah, 40h
        mov     bx, [handle]
        mov     cx, 1
        mov     dx, char
        int     21h
        cmp     byte [char], 10         ; each line on disk at once
        jne     .done
        mov     ah, 68h
        mov     bx, [handle]
        int     21h
.done:  pop     dx
        pop     cx
        pop     bx
        pop     ax
        ret

result_name     db      "RESULT.TXT", 0
t_uart          db      "mode: UART registers", 0
t_bios          db      "mode: BIOS int 14h", 0
t_setup         db      "2400 baud 8N2", 0
t_dtr           db      "DTR and RTS on", 0
t_status        db      "modem status ", 0
t_cts_dsr       db      "CTS and DSR on", 0
t_power         db      "power on", 0
t_loco          db      "loco 12 speed 5", 0
t_cts_drop      db      "CTS off while the loco command is handled, then on", 0
t_solenoid      db      "solenoid 7 on", 0
t_off           db      "lone 32", 0
t_s88           db      "S88 module 1 read", 0
t_reply         db      "reply ", 0
t_reply_ok      db      "reply 80 01", 0
t_ok            db      ": ok", 0
t_failed_step   db      ": FAILED", 0
t_ah            db      " AH=", 0
t_passed        db      "all steps passed", 0
t_failed        db      "some steps failed", 0
t_crlf          db      13, 10, 0

bios            db      0
bios_status     db      0
failures        db      0
char            db      0
handle          dw      0
reply           db      0FFh, 0FFh
