' Explicit conversions and type tests.
Print CInt(2.5)                 ' expect: 2
Print CInt(3.5)                 ' expect: 4
Print CInt(-2.5)                ' expect: -2
Print CLng("12")                ' expect: 12
Print CLng(" 7 ")               ' expect: 7
Print CInt("&H10")              ' expect: 16
Print Round(2.5)                ' expect: 2
Print Round(3.5)                ' expect: 4
Print Round(-0.5)               ' expect: 0
Print Round(1.2345, 2)          ' expect: 1.23
Print Int(-2.5)                 ' expect: -3
Print Fix(-2.5)                 ' expect: -2
Print Int(7)                    ' expect: 7
Print CStr(1.5)                 ' expect: 1.5
Print CStr(True)                ' expect: True
Print CBool("true")             ' expect: True
Print CBool(0)                  ' expect: False
Print CBool("2")                ' expect: True
Print CDbl("1e3")               ' expect: 1000
Print CDbl("-1.5D2")            ' expect: -150
Print TypeName(CInt("7"))       ' expect: Integer
Print TypeName(CLng(7))         ' expect: Long
Print TypeName(CDbl(7))         ' expect: Double
Print TypeName(CStr(7))         ' expect: String
Print TypeName(1.0)             ' expect: Double
Print TypeName(100000)          ' expect: Long
Print TypeName(True)            ' expect: Boolean
Print TypeName(Empty)           ' expect: Empty
Print TypeName(Null)            ' expect: Null
Print TypeName(Nothing)         ' expect: Nothing
Print TypeName(Array())         ' expect: Variant()
Print TypeName(Application)     ' expect: IDispatchAPP
Print VarType("x")              ' expect: 8
Print VarType(1)                ' expect: 2
Print VarType(Array())          ' expect: 8204
Print IsNumeric("12.5")         ' expect: True
Print IsNumeric("abc")          ' expect: False
Print IsNumeric(Empty)          ' expect: True
Print IsObject(Application)     ' expect: True
Print IsEmpty(Empty)            ' expect: True
Print IsNull(Null)              ' expect: True
Print Hex(255)                  ' expect: FF
Print Hex(-1)                   ' expect: FFFF
Print Hex(-1 - 65536)           ' expect: FFFEFFFF
Print Oct(8)                    ' expect: 10

On Error Resume Next
v = CInt(40000)
Print Err.Description           ' expect: Overflow
Err.Clear
v = CLng("twelve")
Print Err.Description           ' expect: Type mismatch
Err.Clear
v = CStr(Null)
Print Err.Description           ' expect: Invalid use of Null
