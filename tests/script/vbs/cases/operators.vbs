' Operators, their precedence and the subtypes of their results.
Print 2 + 3 * 4                 ' expect: 14
Print -2 ^ 2                    ' expect: 4
Print 2 ^ -1                    ' expect: 0.5
Print 2 ^ 3 ^ 2                 ' expect: 64
Print 10 / 4                    ' expect: 2.5
Print 1 / 3                     ' expect: 0.333333333333333
Print 0.1 + 0.2                 ' expect: 0.3
Print 1E+20 * 10                ' expect: 1E+21
Print 2.5E3                     ' expect: 2500

' integer division and Mod round their operands half to even first
Print 7 \ 2                     ' expect: 3
Print -7 \ 2                    ' expect: -3
Print 7.5 \ 2                   ' expect: 4
Print 6.5 \ 2                   ' expect: 3
Print 7 Mod 3                   ' expect: 1
Print -7 Mod 3                  ' expect: -1
Print 7 Mod -3                  ' expect: 1
Print 5.5 Mod 2                 ' expect: 0
Print 4.5 Mod 3                 ' expect: 1
Print 2 + 7 Mod 4 * 2           ' expect: 9
Print 9 \ 2 * 2                 ' expect: 2

' + adds, & joins
Print 1 & 2                     ' expect: 12
Print 1 + 2 & 3                 ' expect: 33
Print "3" + 4                   ' expect: 7
Print TypeName("3" + 4)         ' expect: Double
Print "3" + "4"                 ' expect: 34
Print "3" & 4                   ' expect: 34
Print 1.5 & ""                  ' expect: 1.5
Print "a" & Null                ' expect: a
Print IsNull(1 + Null)          ' expect: True

' subtypes widen on overflow
Print TypeName(1 + 1)           ' expect: Integer
Print TypeName(32767 + 1)       ' expect: Long
Print TypeName(2147483647 + 1)  ' expect: Double
Print TypeName(200 * 200)       ' expect: Long
Print TypeName(-(-32768))       ' expect: Long
Print True + True               ' expect: -2

' comparisons: a number is less than a string, unless one side is a literal
x = 3 : y = "3"
Print x = y                     ' expect: False
Print x < y                     ' expect: True
Print 3 = "3"                   ' expect: True
Print x = "3"                   ' expect: True
Print "abc" < "abd"             ' expect: True
Print "B" < "a"                 ' expect: True
Print 1 < 2 = True              ' expect: True
Print Not 1 = 2                 ' expect: True

' logic is bitwise on numbers and Boolean on Booleans
Print 5 And 3                   ' expect: 1
Print 5 Or 3                    ' expect: 7
Print 5 Xor 3                   ' expect: 6
Print Not 0                     ' expect: -1
Print Not True                  ' expect: False
Print True Eqv False            ' expect: False
Print False Imp True            ' expect: True
Print IsNull(Null And True)     ' expect: True
Print False And Null            ' expect: False
Print True Or Null              ' expect: True

' hexadecimal and octal literals
Print &HFF                      ' expect: 255
Print &HFFFF                    ' expect: -1
Print &H10000                   ' expect: 65536
Print &HFFFFFFFF                ' expect: -1
Print &O17                      ' expect: 15

' Empty is 0 against numbers and "" against strings
Dim e
Print e = 0                     ' expect: True
Print e = ""                    ' expect: True
Print e + 1                     ' expect: 1
Print e & "x"                   ' expect: x
Print TypeName(e + e)           ' expect: Integer

' Is compares object identity
Set a = Application
Set b = GetApplication
Print a Is b                    ' expect: True
Print a Is Nothing              ' expect: False
