' An object used as a value in an expression stands for its default member's value.
Class Counter
    Public Count
    Public Default Property Get Value
        Value = Count
    End Property
End Class
Class Label
    Public Default Function Text()
        Text = "label"
    End Function
End Class
Class Plain
    Public Count
End Class

Set c = New Counter
c.Count = 5
Set other = New Counter
other.Count = 7
Set l = New Label

Print c + 1                             ' expect: 6
Print 10 - c                            ' expect: 5
Print c * other                         ' expect: 35
Print other \ c & " " & other Mod c     ' expect: 1 2
Print c ^ 2                             ' expect: 25
Print -c                                ' expect: -5
Print Not c                             ' expect: -6
Print "n=" & c & "," & l                ' expect: n=5,label
Print l + "!"                           ' expect: label!
Print (c = 5) & (c < other) & (c <> other)' expect: TrueTrueTrue
Print c And 4                           ' expect: 4
If c Then Print "condition"             ' expect: condition
Do While c < 7
    c.Count = c.Count + 1
Loop
Print c                                 ' expect: 7
Select Case c
    Case other
        Print "same as other"           ' expect: same as other
End Select
For k = 1 To c
Next
Print k                                 ' expect: 8
' built-ins read the default member too, except those that look at the object itself
Print Len(l) & " " & UCase(l) & " " & CStr(c) & " " & Abs(-c)   ' expect: 5 LABEL 7 7
Print TypeName(c) & " " & IsObject(c) & " " & TypeName(Array(c)(0))   ' expect: Counter True Counter
' VarType gives the type of the default value; an object without one is an object (9)
Print VarType(c) & " " & VarType(l) & " " & VarType(New Plain) & " " & VarType(Nothing)   ' expect: 2 8 9 9
' Is still compares the objects themselves
Print (c Is other) & (c Is c)           ' expect: FalseTrue

On Error Resume Next
Set p = New Plain
x = p + 1
Print Err.Number                        ' expect: 13
Err.Clear
Set n = Nothing
x = n + 1
Print Err.Number                        ' expect: 91
