#define F(i,n) for(int i=0;i<(n);++i)
#define REP F
int main(){int n;REP(i,n)REP(j,n) s+=a[i][j];}
