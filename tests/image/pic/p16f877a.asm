; Test program for the HEX loader: an 8K-word chip with code in the last page, data words and
; more than one record of EEPROM data.
        list    p=16f877a
        include <p16f877a.inc>
        errorlevel -302
        __CONFIG _CP_OFF & _WDT_OFF & _BODEN_ON & _PWRTE_ON & _HS_OSC & _LVP_OFF & _DEBUG_OFF & _CPD_OFF

        org     0x0000
        pagesel main
        goto    main
        org     0x0004
        retfie
main    banksel TRISB
        clrf    TRISB
        banksel PORTB
        movlw   0x3C
        movwf   PORTB
        pagesel far
        call    far
        pagesel main
        goto    main

        org     0x1800
far     addlw   0x01
        return
table   dw      0x3FFF, 0x0000, 0x1234, 0x2AAA
        org     0x1FFE
        nop
        nop

        org     0x2100
        de      "EEPROM data", 0, 0x01, 0x02, 0xFE, 0xFF, 0x80
        end
