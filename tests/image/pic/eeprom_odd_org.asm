; The assembler places data that follows an org inside the EEPROM area at a byte offset, so this
; program yields a record at an odd byte address, which the loader must refuse.
        list    p=16f84a
        include <p16f84a.inc>
        org     0x0000
        nop
        org     0x2100
        de      1, 2
        org     0x2105
        de      3
        end
