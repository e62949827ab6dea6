' Fixed, dynamic and multi-dimensional arrays; arrays are copied on assignment.
Dim a(2)
a(0) = "x" : a(1) = 2 : a(2) = a(1) * 2
Print UBound(a)                ' expect: 2
Print a(2)                     ' expect: 4
Dim m(1, 2)
m(1, 2) = "corner"
m(0, 0) = "origin"
Print UBound(m, 1) & UBound(m, 2)   ' expect: 12
Print m(1, 2) & " " & m(0, 0)  ' expect: corner origin
Dim d()
ReDim d(1)
d(0) = "keep"
ReDim Preserve d(3)
Print d(0) & UBound(d)         ' expect: keep3
ReDim d(2)
Print IsEmpty(d(0))            ' expect: True
ReDim g(1, 1)
g(1, 1) = "last"
ReDim Preserve g(1, 3)
Print g(1, 1) & UBound(g, 2)   ' expect: last3

b = Array(1, "two", 3.5)
Print Join(b, "/")             ' expect: 1/two/3.5
Print Join(b)                  ' expect: 1 two 3.5
c = b
c(0) = 99
Print b(0)                     ' expect: 1
Print LBound(b) & IsArray(b)   ' expect: 0True

parts = Split("a,b,,c", ",")
Print UBound(parts) & parts(3) ' expect: 3c
Print UBound(Split(""))        ' expect: -1
Print Split("x y z")(1)        ' expect: y
Print UBound(Split("a,b,c", ",", 2)) ' expect: 1

total = 0
For Each p In Array(1, 2, 3)
    total = total + p
Next
Print total                    ' expect: 6
n = Array(Array(1, 2), Array(3, 4))
Print n(1)(0)                  ' expect: 3

' an element passed ByRef is written back
Sub Bump(x)
    x = x + 1
End Sub
Bump a(1)
Print a(1)                     ' expect: 3

Erase a
Print IsEmpty(a(0)) & UBound(a) ' expect: True2
Erase d
Print IsArray(d)               ' expect: True

On Error Resume Next
Print a(3)
Print Err.Description          ' expect: Subscript out of range
Err.Clear
ReDim a(5)
Print Err.Description          ' expect: This array is fixed or temporarily locked
