#!/usr/bin/env python3
"""Every element type, hex and decimal, both byte orders, each type's edges
(min, max, 0, 1, -1, -0.0, the smallest subnormal, the largest finite value,
+-inf, NaN) beside random values: printed by the typed walk in each language,
read back by the real compiler, interpreter or assembler (C as C11 with
-pedantic -Werror and as C++17), compared with the bytes; beside them one
record table (padding, an array field, big-endian) and one two-dimensional
table per language. One build per
language holds every table. NaN payloads are not kept: NaNs compare as one.
Usage: typed_output_compiles.py PRINT_TYPED_TABLE"""
import math, os, random, shutil, struct, subprocess, sys, tempfile
D=tempfile.mkdtemp(prefix='zemrik-typed-')
PRINT=sys.argv[1]
random.seed(5)
INTS={'u8':('B',1),'u16':('H',2),'u32':('I',4),'u64':('Q',8),'i8':('b',1),'i16':('h',2),'i32':('i',4),'i64':('q',8)}
_cache={}
def values(t):
    if t not in _cache: _cache[t]=_values(t)
    return _cache[t]
def _values(t):
    if t in INTS:
        f,w=INTS[t]; bits=8*w
        if t[0]=='u': lo,hi=0,2**bits-1
        else: lo,hi=-2**(bits-1),2**(bits-1)-1
        v=[lo,hi,0,1,lo+1]+([-1] if t[0]=='i' else [])+[random.randint(lo,hi) for _ in range(6)]
        return struct.pack('<%d%s'%(len(v),f),*v)
    if t=='f32':
        pats=[0x80000000,1,0x7F7FFFFF,0x7F800000,0xFF800000,0x7FC00000,0,0x3F800000]+[random.getrandbits(32) & 0x7F7FFFFF for _ in range(6)]
        return b''.join(struct.pack('<I',p) for p in pats)
    pats=[0x8000000000000000,1,0x7FEFFFFFFFFFFFFF,0x7FF0000000000000,0xFFF0000000000000,0x7FF8000000000000,0,0x3FF0000000000000]+[random.getrandbits(64)&0x7FEFFFFFFFFFFFFF for _ in range(6)]
    return b''.join(struct.pack('<Q',p) for p in pats)
def width(t): return {'8':1,'16':2,'32':4,'64':8}[t[1:]]
def file_bytes(t,order):
    le=values(t); w=width(t)
    if order=='le': return le
    return b''.join(le[i:i+w][::-1] for i in range(0,len(le),w))
def canon(t,data):
    # NaN payloads are not kept: compare NaNs as one
    if t[0]!='f': return data
    w=width(t); out=b''
    for i in range(0,len(data),w):
        x=struct.unpack('<'+('f' if w==4 else 'd'),data[i:i+w])[0]
        out+= b'NAN!'*(w//4) if math.isnan(x) else data[i:i+w]
    return out
def table(lang,t,nota,order,name):
    p=os.path.join(D,'in.bin'); open(p,'wb').write(file_bytes(t,order))
    return subprocess.run([PRINT,lang,t,nota,order,name,p],capture_output=True,text=True).stdout
# One record table and one 2-D table per language, after the typed ones.
RECORD=[('id','u16',1),('_','u8',1),('v','i8',1),('s','f32',2),('big','i64',1),('d','f64',1)]
RECORD_SPEC=','.join('%s:%s%s'%(n,t,'[%d]'%c if c>1 else '') for n,t,c in RECORD)
RECORDS=3
def finite(t):
    w=width(t); v=values(t)
    items=[v[i:i+w] for i in range(0,len(v),w)]
    return [x for x in items if t[0]!='f' or not math.isnan(struct.unpack('<'+('f' if w==4 else 'd'),x)[0])]
def record_bytes():
    le=b''; be=b''; want=b''
    for r in range(RECORDS):
        for n,t,c in RECORD:
            for j in range(c):
                x=random.choice(finite(t)); le+=x; be+=x[::-1]
                if n!='_': want+=x
    return be,want
REC_BE,REC_WANT=record_bytes()
DIMS=(3,4)
DIM_LE=b''.join(random.choice(finite('i16')) for _ in range(DIMS[0]*DIMS[1]))
DIM_BE=b''.join(DIM_LE[i:i+2][::-1] for i in range(0,len(DIM_LE),2))
def shaped(lang,name):
    '''The record table (hex, big-endian) and the 2-D table (i16, decimal, big-endian).'''
    r,d=('R','D') if name.isupper() else ('r','d')
    p=os.path.join(D,'rec.bin'); open(p,'wb').write(REC_BE)
    rec=subprocess.run([PRINT,lang,'u8','hex','be',name+r,p,RECORD_SPEC],capture_output=True,text=True)
    p=os.path.join(D,'dim.bin'); open(p,'wb').write(DIM_BE)
    dim=subprocess.run([PRINT,lang,'i16','dec','be',name+d,p,'-','%dx%d'%DIMS],capture_output=True,text=True)
    if rec.returncode or dim.returncode: fails.append((lang,'shaped table refused',rec.stderr,dim.stderr))
    return rec.stdout+'\n'+dim.stdout+'\n'
SHAPED_WANT=REC_WANT+DIM_LE
def run(cmd,**kw): return subprocess.run(cmd,capture_output=True,text=True,**kw)
CT={'u8':'uint8_t','u16':'uint16_t','u32':'uint32_t','u64':'uint64_t','i8':'int8_t','i16':'int16_t','i32':'int32_t','i64':'int64_t','f32':'float','f64':'double'}
fails=[]
types=list(INTS)+['f32','f64']
combos=[(t,n,o) for t in types for n in ('hex','dec') for o in ('le','be')]
def expect(t,o): return canon(t,values(t))
# C and C++: one program with every table
def check_c():
    src='#include <stdint.h>\n#include <math.h>\n#include <stdio.h>\n'
    body=''
    for i,(t,n,o) in enumerate(combos):
        src+=table('c',t,n,o,'t%d'%i)+'\n'
        body+='for (size_t k=0;k<sizeof t%d/sizeof t%d[0];++k){%s v=(%s)t%d[k];fwrite(&v,sizeof v,1,stdout);}\n'%(i,i,CT[t],CT[t],i)
    src+=shaped('c','x')
    body+='for (size_t k=0;k<%d;++k){\n'%RECORDS
    for n,t,c in RECORD:
        if n=='_': continue
        for j in range(c):
            body+='{%s v=xr[k].%s%s;fwrite(&v,sizeof v,1,stdout);}\n'%(CT[t],n,'[%d]'%j if c>1 else '')
    body+='}\nfor (size_t k=0;k<%d;++k){int16_t v=(int16_t)xd[k/%d][k%%%d];fwrite(&v,sizeof v,1,stdout);}\n'%(DIMS[0]*DIMS[1],DIMS[1],DIMS[1])
    src+='int main(void){\n'+body+'return 0;}\n'
    open(D+'/a.c','w').write(src)
    want=b''.join(expect(t,o) for t,n,o in combos)
    for cc in (['gcc','-std=c11','-Wall','-Wextra','-pedantic','-Werror','-x','c'],['g++','-std=c++17','-Wall','-Werror','-x','c++']):
        r=run(cc+[D+'/a.c','-o',D+'/a.out','-lm'])
        if r.returncode: fails.append((cc[0],r.stderr[:1500])); continue
        got=subprocess.run([D+'/a.out'],capture_output=True).stdout
        check_bytes(cc[0],got)
def check_bytes(who,got):
    pos=0
    for t,n,o in combos:
        w=expect(t,o); g=canon(t,got[pos:pos+len(w)]); pos+=len(w)
        if g!=w: fails.append((who,t,n,o,'bytes differ'))
    if got[pos:]!=SHAPED_WANT: fails.append((who,'record and 2-D tables differ',got[pos:].hex(),SHAPED_WANT.hex()))
def check_python():
    src='import struct,sys\nout=b""\n'
    for i,(t,n,o) in enumerate(combos):
        src+=table('python',t,n,o,'t%d'%i)+'\n'
        f={'u8':'B','u16':'H','u32':'I','u64':'Q','i8':'b','i16':'h','i32':'i','i64':'q','f32':'f','f64':'d'}[t]
        src+='out+=struct.pack("<%%d%s"%%len(t%d),*t%d)\n'%(f,i,i)
    src+=shaped('python','x')
    fmt=''.join({'u16':'H','u8':'B','i8':'b','f32':'f','i64':'q','f64':'d'}[t]*c for n,t,c in RECORD if n!='_')
    src+='for r in xr:\n    flat=[]\n    for f in r: flat+=list(f) if isinstance(f,tuple) else [f]\n    out+=struct.pack("<%s",*flat)\n'%fmt
    src+='for row in xd: out+=struct.pack("<%dh",*row)\n'%DIMS[1]
    src+='sys.stdout.buffer.write(out)\n'
    open(D+'/a.py','w').write(src)
    r=subprocess.run(['python3',D+'/a.py'],capture_output=True)
    if r.returncode: fails.append(('python',r.stderr[:800])); return
    check_bytes('python',r.stdout)
def check_rust():
    src='#![allow(dead_code)]\nuse std::io::Write;\n'
    body=''
    for i,(t,n,o) in enumerate(combos):
        src+=table('rust',t,n,o,'T%d'%i)+'\n'
        body+='for v in T%d.iter() { o.write_all(&v.to_le_bytes()).unwrap(); }\n'%i
    src+=shaped('rust','X')
    body+='for r in XR.iter() {\n'
    for n,t,c in RECORD:
        if n=='_': continue
        body+=('for v in r.%s.iter() { o.write_all(&v.to_le_bytes()).unwrap(); }\n'%n) if c>1 else 'o.write_all(&r.%s.to_le_bytes()).unwrap();\n'%n
    body+='}\nfor row in XD.iter() { for v in row.iter() { o.write_all(&v.to_le_bytes()).unwrap(); } }\n'
    src+='fn main(){ let mut o=std::io::stdout();\n'+body+'}\n'
    open(D+'/a.rs','w').write(src)
    r=run(['rustc','-D','warnings','-o',D+'/rs.out',D+'/a.rs'])
    if r.returncode: fails.append(('rust',r.stderr[:1500])); return
    check_bytes('rust',subprocess.run([D+'/rs.out'],capture_output=True).stdout)
def check_go():
    src='package main\nimport (\n"encoding/binary"\n"math"\n"os"\n)\nvar _ = math.Pi\n'
    body=''
    for i,(t,n,o) in enumerate(combos):
        src+=table('go',t,n,o,'t%d'%i)+'\n'
        body+='binary.Write(os.Stdout, binary.LittleEndian, t%d)\n'%i
    src+=shaped('go','x')
    body+='binary.Write(os.Stdout, binary.LittleEndian, xr)\nbinary.Write(os.Stdout, binary.LittleEndian, xd)\n'
    src+='func main(){\n'+body+'}\n'
    os.makedirs(D+'/go',exist_ok=True); open(D+'/go/main.go','w').write(src)
    r=subprocess.run(['go','run',D+'/go/main.go'],capture_output=True,env=dict(os.environ,GOCACHE=D+'/gocache',GO111MODULE='off'))
    if r.returncode: fails.append(('go',r.stderr[:1500])); return
    check_bytes('go',r.stdout)
def check_csharp():
    src='using System;\nclass P {\n'
    body=''
    for i,(t,n,o) in enumerate(combos):
        src+=table('csharp',t,n,o,'t%d'%i)+'\n'
        body+='foreach (var v in t%d) { var b=BitConverter.GetBytes(v); s.Write(b,0,b.Length);} \n'%i
    src+=shaped('csharp','x')
    body+='foreach (var r in xr) {\n'
    for n,t,c in RECORD:
        if n=='_': continue
        body+=('foreach (var v in r.%s) { var b=BitConverter.GetBytes(v); s.Write(b,0,b.Length);}\n'%n) if c>1 else '{ var b=Bytes(r.%s); s.Write(b,0,b.Length);}\n'%n
    body+='}\nforeach (var v in xd) { var b=BitConverter.GetBytes(v); s.Write(b,0,b.Length);}\n'
    src+='static void Main(){ var s=Console.OpenStandardOutput();\n'+body+'}}\n'
    src=src.replace('BitConverter.GetBytes(v)','Bytes(v)')
    src=src.replace('class P {\n','class P {\nstatic byte[] Bytes(byte v){return new byte[]{v};}\nstatic byte[] Bytes(sbyte v){return new byte[]{(byte)v};}\nstatic byte[] Bytes(ushort v){return BitConverter.GetBytes(v);}\nstatic byte[] Bytes(short v){return BitConverter.GetBytes(v);}\nstatic byte[] Bytes(uint v){return BitConverter.GetBytes(v);}\nstatic byte[] Bytes(int v){return BitConverter.GetBytes(v);}\nstatic byte[] Bytes(ulong v){return BitConverter.GetBytes(v);}\nstatic byte[] Bytes(long v){return BitConverter.GetBytes(v);}\nstatic byte[] Bytes(float v){return BitConverter.GetBytes(v);}\nstatic byte[] Bytes(double v){return BitConverter.GetBytes(v);}\n')
    open(D+'/a.cs','w').write(src)
    r=run(['mcs','-warnaserror','-out:'+D+'/cs.exe',D+'/a.cs'])
    if r.returncode: fails.append(('csharp',r.stdout[:1500]+r.stderr[:500])); return
    check_bytes('csharp',subprocess.run(['mono',D+'/cs.exe'],capture_output=True).stdout)
def check_asm(lang):
    src='' if lang=='gas' else '\n'
    if lang=='gas': src='\t.data\n'
    for i,(t,n,o) in enumerate(combos):
        src+=table(lang,t,n,o,'t%d'%i)+'\n'
    src+=shaped(lang,'x')
    open(D+'/a.s','w').write(src)
    if lang=='asm': r=run(['nasm','-f','bin','-o',D+'/a.bin',D+'/a.s'])
    else:
        r=run(['as','--fatal-warnings','-o',D+'/a.o',D+'/a.s'])
        if not r.returncode: r=run(['objcopy','-O','binary','-j','.data',D+'/a.o',D+'/a.bin'])
    if r.returncode: fails.append((lang,r.stderr[:1500])); return
    check_bytes(lang,open(D+'/a.bin','rb').read())
for f in (check_c,check_python,check_rust,check_go,check_csharp,lambda: check_asm('asm'),lambda: check_asm('gas')):
    f()
for x in fails: print(x)
print('failures', len(fails))
shutil.rmtree(D, ignore_errors=True)
sys.exit(1 if fails else 0)
