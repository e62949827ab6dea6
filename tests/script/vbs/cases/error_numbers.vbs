' The error numbers of operations on Nothing and on fixed arrays.
On Error Resume Next
x = Not Nothing
Print Err.Number & " " & Err.Description ' expect: 91 Object variable not set
Err.Clear
x = "" & Nothing
Print Err.Number                         ' expect: 91
Err.Clear
Dim fixed(3)
ReDim fixed(5)
Print Err.Number & " " & Err.Description ' expect: 10 This array is fixed or temporarily locked
Err.Clear
ReDim Preserve fixed(5)
Print Err.Number                         ' expect: 10
Err.Clear
Err.Raise 1000001
Print Err.Number & " " & Err.Description ' expect: 1000001 Unknown runtime error
