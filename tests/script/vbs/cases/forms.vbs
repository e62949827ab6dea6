' Forms older scripts use: literal suffixes, operator spellings, signs before "^", keywords as names.
Print &hffff& & " " & VarType(&hffff&)  ' expect: 65535 3
Print &hffff & " " & VarType(&hffff)    ' expect: -1 2
Print &o17& & " " & VarType(&o17&)      ' expect: 15 3
Print -3^2                              ' expect: 9
Print -3^2 * 2                          ' expect: 18
Print (2 => 1) & (1 =< 2) & (2 >< 1)   ' expect: TrueTrueTrue
Print 1 => 2                            ' expect: False
Print Not 1 = 2                         ' expect: True
Print 1 + 2 & 3 * 4                     ' expect: 312
Print 7 Mod 4 \ 2                       ' expect: 1
Print 2 * 3 Mod 4                       ' expect: 2
Print True Or False And False           ' expect: True

If False Then Const cs = "str"
Print cs                                ' expect: str

Select Case 1
    Case 1  x = 200
    Case 2  x = 300
End Select
Print x                                 ' expect: 200

Dim step, property, default, error, explicit
step = 1 : property = 2 : default = 3 : error = 4 : explicit = 5
Print step + property + default + error + explicit ' expect: 15
For i = 1 To 3 Step step
Next
Print i                                 ' expect: 4

If True Then
    Function Inside(v)
        Inside = v * 2
    End Function
End If
Print Inside(4)                         ' expect: 8

Sub Twice : Print "first" : End Sub
Sub Twice : Print "second" : End Sub
Twice                                   ' expect: second

Function Id(v)
    Id = v
End Function
Call (Id) (5)
a = Array(7, 8)
y = ((a))(1)
Print y                                 ' expect: 8

Sub OneLine(v)
    Print v End Sub
OneLine "joined"                        ' expect: joined
Stop
Print "after Stop"                      ' expect: after Stop
