' Every statement form, each with the output it must produce.
Rem a Rem comment line
Dim a, b, c
Const LIMIT = 3, GREETING = "hi"
a = 1 : b = 2 : c = a + b
Print c                                       ' expect: 3
Test.Print GREETING & LIMIT                   ' expect: hi3
Call Print("called")                          ' expect: called

' single-line If, with and without Else, with several statements
If a = 1 Then Print "one" Else Print "not one"      ' expect: one
If a = 2 Then Print "two" Else Print "not two" : Print "still else"
' expect: not two
' expect: still else
If a = 1 Then Print "first" : Print "second"
' expect: first
' expect: second

' block If with ElseIf
For i = 1 To 4
    If i = 1 Then
        Print "i one"
    ElseIf i = 2 Or i = 3 Then
        Print "i two or three"
    Else
        Print "i other"
    End If
Next
' expect: i one
' expect: i two or three
' expect: i two or three
' expect: i other

' Select Case with lists, ranges and Is
For Each v In Array(1, 5, 12, 40, "x")
    Select Case v
        Case 1, 2
            Print "small"
        Case 3 To 10
            Print "middle"
        Case "x"
            Print "letter"
        Case Is > 30
            Print "large"
        Case Else
            Print "other"
    End Select
Next
' expect: small
' expect: middle
' expect: other
' expect: large
' expect: letter

' For with Step, down and fractional; the counter is one past the end afterwards
s = ""
For i = 10 To 1 Step -3
    s = s & i & ";"
Next
Print s                  ' expect: 10;7;4;1;
Print i                  ' expect: -2
n = 0
For x = 0 To 1 Step 0.25
    n = n + 1
Next
Print n                  ' expect: 5
For i = 1 To 0
    Print "never"
Next

' Do in all its forms, While ... Wend, Exit
k = 0
Do While k < 3
    k = k + 1
Loop
Print k                  ' expect: 3
Do Until k = 0
    k = k - 1
Loop
Print k                  ' expect: 0
Do
    k = k + 2
Loop While k < 7
Print k                  ' expect: 8
Do
    k = k - 3
Loop Until k < 0
Print k                  ' expect: -1
Do
    k = k + 1
    If k = 5 Then Exit Do
Loop
Print k                  ' expect: 5
While k > 0
    k = k - 2
Wend
Print k                  ' expect: -1
For i = 1 To 100
    For j = 1 To 100
        If j = 2 Then Exit For
    Next
    If i = 3 Then Exit For
Next
Print i & "," & j        ' expect: 3,2

' Sub and Function, ByRef by default, ByVal on request, recursion, Exit Sub/Function
Sub Twice(ByRef target, ByVal copy)
    target = target * 2
    copy = copy * 2
End Sub
p = 5 : q = 5
Twice p, q
Print p & " " & q        ' expect: 10 5
Twice (p), q
Print p                  ' expect: 10
Call Twice(p, q)
Print p                  ' expect: 20

Function Factorial(n)
    If n <= 1 Then
        Factorial = 1
        Exit Function
    End If
    Factorial = n * Factorial(n - 1)
End Function
Print Factorial(10)      ' expect: 3628800

Sub Early(x)
    If x > 0 Then Exit Sub
    Print "not positive"
End Sub
Early 1
Early -1                 ' expect: not positive

Function NoResult()
End Function
Print IsEmpty(NoResult)  ' expect: True

' arguments continued over several lines, with "_" after a comma or a blank
total = Factorial( _
    3) + _
    Factorial(4)
Print total              ' expect: 30
Print Test.Scale(1 ,_
      2, _
      0)                 ' expect: 2
