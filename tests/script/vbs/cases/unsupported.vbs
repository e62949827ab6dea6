' Nothing outside the host objects is reachable: each of these is refused.
On Error Resume Next
Set o = CreateObject("Files.Access")
Print Err.Description          ' expect: Permission denied: 'CreateObject'
Err.Clear
Set o = GetObject("system:")
Print Err.Description          ' expect: Permission denied: 'GetObject'
Err.Clear
Execute "x = 1"
Print Err.Description          ' expect: Permission denied: 'Execute'
Err.Clear
ExecuteGlobal "x = 1"
Print Err.Description          ' expect: Permission denied: 'ExecuteGlobal'
Err.Clear
v = Eval("1 + 1")
Print Err.Description          ' expect: Permission denied: 'Eval'
Print IsEmpty(v)               ' expect: True
On Error GoTo 0
Set fso = CreateObject("Files.Access") ' error: Permission denied: 'CreateObject'
