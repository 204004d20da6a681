; Blinks an LED on RB0 (through a 330 ohm resistor to ground) about twice a second.
; Clock: 4 MHz crystal (XT), so one instruction cycle takes 1 us.
; The data EEPROM holds a short tag that a running program, or a Read All, can show.
;
; Build: gpasm -a inhx8m blink_16f84a.asm
        list    p=16f84a
        include <p16f84a.inc>
        errorlevel -302             ; TRISB is reached through RP0, as intended

        __config _CP_OFF & _WDT_OFF & _PWRTE_ON & _XT_OSC

        cblock  0x0C                ; general purpose registers
          count_us
          count_ms
        endc

        org     0x0000
        goto    main

        org     0x0004
        retfie                      ; no interrupt is ever enabled

main    bsf     STATUS, RP0
        clrf    TRISB               ; every PORTB pin drives
        bcf     STATUS, RP0
        clrf    PORTB
toggle  movlw   0x01                ; RB0
        xorwf   PORTB, f
        call    wait250ms
        goto    toggle

; About 250 ms: 250 passes of an inner loop of 250 x 4 cycles.
wait250ms
        movlw   d'250'
        movwf   count_ms
next_ms movlw   d'250'
        movwf   count_us
next_us nop
        decfsz  count_us, f
        goto    next_us
        decfsz  count_ms, f
        goto    next_ms
        return

        org     0x2100              ; data EEPROM
        de      "BLINK", 0x00, 0x01, 0x02

        end
