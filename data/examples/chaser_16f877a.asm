; A running light on PORTB: eight LEDs (RB0..RB7, each through a resistor to ground) light in
; turn, following a pattern table kept in the data EEPROM, so a new pattern needs only new
; EEPROM bytes. Clock: 20 MHz crystal (HS), one instruction cycle every 200 ns.
;
; Build: gpasm -a inhx8m chaser_16f877a.asm
        list    p=16f877a
        include <p16f877a.inc>
        errorlevel -302             ; banks are selected with banksel, as intended

        __config _CP_OFF & _DEBUG_OFF & _WRT_OFF & _CPD_OFF & _LVP_OFF & _BOREN_ON & _PWRTE_ON & _WDT_OFF & _HS_OSC

        cblock  0x70                ; registers seen from every bank
          step
          count_a
          count_b
          count_c
        endc

        org     0x0000
        clrf    PCLATH
        goto    main

        org     0x0004
        retfie                      ; no interrupt is ever enabled

main    banksel TRISB
        clrf    TRISB               ; every PORTB pin drives
        banksel PORTB
        clrf    PORTB
        clrf    step
show    movf    step, w
        call    eeread
        movwf   PORTB
        call    wait
        incf    step, f
        movlw   0x07                ; eight patterns, then the first again
        andwf   step, f
        goto    show

; Reads the data EEPROM byte at the address in W and returns it in W, with bank 0 selected.
eeread  banksel EEADR
        movwf   EEADR
        banksel EECON1
        bcf     EECON1, EEPGD       ; data memory, not program memory
        bsf     EECON1, RD
        banksel EEDATA
        movf    EEDATA, w
        banksel PORTB
        return

; About 150 ms: 3 x 250 x 250 passes of a 4-cycle loop at 200 ns a cycle.
wait    movlw   d'3'
        movwf   count_c
wait_c  movlw   d'250'
        movwf   count_b
wait_b  movlw   d'250'
        movwf   count_a
wait_a  nop
        decfsz  count_a, f
        goto    wait_a
        decfsz  count_b, f
        goto    wait_b
        decfsz  count_c, f
        goto    wait_c
        return

        org     0x2100              ; data EEPROM: the pattern table
        de      b'00000001', b'00000010', b'00000100', b'00001000'
        de      b'00010000', b'00100000', b'01000000', b'10000000'

        end
